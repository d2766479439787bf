// The device registry against itself and the menus: a patch file names a device by its type, a
// test and the guide by its name, the menu by its command id, so each must be unique, and an
// insert id equal to another command's would carry out both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "app/commands.h"
#include "devices/registry.h"

namespace {
TEST(Registry, TypesNamesAndCommandsAreUniqueAndClashWithNoOtherCommand) {
  std::set<DeviceType> types;
  std::set<std::string> names;
  std::set<int> inserts;
  for (const TDeviceEntry& e : DeviceRegistry()) {
    SCOPED_TRACE(e.name);
    EXPECT_NE(e.type, DeviceType::None);
    EXPECT_TRUE(types.insert(e.type).second) << "type " << int(e.type) << " registered twice";
    const std::string name = e.name;
    EXPECT_TRUE(!name.empty() && std::ranges::all_of(name, [](char c) { return std::islower(c); }))
        << "a name is lower-case letters";
    EXPECT_TRUE(names.insert(name).second) << "name registered twice";
    EXPECT_EQ(e.caption != nullptr, e.command != 0) << "a menu entry needs both caption and id";
    if (e.caption) {
      EXPECT_TRUE(inserts.insert(e.command).second) << "id " << e.command << " twice";
    }
    EXPECT_EQ(InsertType(e.command), e.caption ? e.type : DeviceType::None);
    EXPECT_EQ(InsertCommand(e.type), e.command);
  }
  // The menu bar holds every other command but the device popup's.
  std::multiset<int> ids{cmd::kDeleteDevice};
  for (const MenuLine& line : MenuBar())
    if (line.id) ids.insert(line.id);
  for (int id : inserts) EXPECT_EQ(ids.count(id), 1u) << "insert id " << id << " is taken";
}
}  // namespace
