// Writes the seed corpus of the patch fuzzer: one patch per device type, the two-device example
// and a wired patch with every type.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/main_client.h"
#include "devices/registry.h"
#include "engine/plug.h"

namespace {
template <class T>
std::vector<T*> ChildrenOf(NTWin* device) {
  std::vector<T*> found;
  for (NTWin* c = device->FirstChild; c; c = c->Next)
    if (auto* t = dynamic_cast<T*>(c)) found.push_back(t);
  return found;
}

// Feeds every input from the outputs of the devices in turn, so wires cross the whole patch.
void WireAll(TMainClient& client) {
  std::vector<NTPlugOut*> outs;
  for (NTDevWin* d : client.Devices())
    for (NTPlugOut* o : ChildrenOf<NTPlugOut>(d)) outs.push_back(o);
  if (outs.empty()) return;
  size_t next = 0;
  for (NTDevWin* d : client.Devices())
    for (NTPlugIn* in : ChildrenOf<NTPlugIn>(d)) in->Source = outs[next++ % outs.size()];
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(f);
}

std::vector<uint8_t> Patch(const std::vector<DeviceType>& types, bool wired) {
  HeadlessShell shell;
  TMainClient client{shell, nullptr};
  // The program's own start places Input at (10, 10) and Output at (100, 10).
  int x = 10;
  for (DeviceType type : types) {
    client.CreateDevice(type)->MoveTo({x, 10});
    x += 90;
  }
  if (wired) WireAll(client);
  return client.SaveBytes();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus DIR\n");
    return 1;
  }
  const std::string dir = argv[1];
  bool ok = true;
  std::vector<DeviceType> all;
  for (const TDeviceEntry& e : DeviceRegistry()) {
    ok &= Write(dir + "/type" + std::to_string(int(e.type)) + ".qvn", Patch({e.type}, false));
    all.push_back(e.type);
  }
  ok &= Write(dir + "/example.qvn", Patch({DeviceType::Input, DeviceType::Output}, true));
  ok &= Write(dir + "/mixed.qvn", Patch(all, true));
  return ok ? 0 : 1;
}
