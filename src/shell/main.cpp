#include <cstdio>

#include "app/command_line.h"
#include "platform/audio/sound_card.h"
#include "shell/my_app.h"
#include "shell/sound_control.h"
#include "shell/translations.h"

int main(int argc, char** argv) {
  using Kind = CommandLine::Kind;
  std::string error;
  const std::optional<CommandLine> line =
      ParseCommandLine({argv + 1, size_t(argc > 0 ? argc - 1 : 0)}, Kind::Program, error);
  if (!line) {
    std::fprintf(stderr, "quarvin: %s\n\n%s", error.c_str(), UsageText(Kind::Program).c_str());
    return 1;
  }
  if (line->Help) {
    std::fputs(UsageText(Kind::Program).c_str(), stdout);
    return 0;
  }
  if (line->Version) {
    std::puts(VersionText().c_str());
    return 0;
  }
  if (line->ListDevices) {
    std::fputs(DeviceTable(ListSoundCards()).c_str(), stdout);
    return 0;
  }
  UseGermanLocale();
  TMyApp app(argc, argv);
  return app.Run(WithCommandLine(RememberedSoundSettings(), line->Card), line->Patch);
}
