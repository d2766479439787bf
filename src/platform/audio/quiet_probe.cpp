#include "platform/audio/quiet_probe.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace {

void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
void SilentJack(const char*) {}

}  // namespace

QuietProbe::QuietProbe() {
  snd_lib_error_set_handler(&SilentAlsa);
  // JACK's handlers cannot be given back; its messages are never wanted on the terminal, and
  // its failures reach the program through status codes.
  jack_set_error_function(&SilentJack);
  jack_set_info_function(&SilentJack);
}

QuietProbe::~QuietProbe() {
  snd_lib_error_set_handler(nullptr);
}
