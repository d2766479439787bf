#include "platform/audio/portaudio_wave.h"
#include "shell/my_app.h"

int main(int argc, char** argv) {
  PortAudioWaveSystem audio;
  TMyApp app(argc, argv);
  return app.Run(audio);
}
