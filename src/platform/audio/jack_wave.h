#pragma once
#include <memory>
#include <string>

#include "platform/audio/wave.h"

class JackClient;

// The sound card through a running JACK server, as one client named after the program with the
// ports in_L, in_R, out_L and out_R, so that a patchbay shows what they are. Both directions run
// in the client's one process callback: a block recorded in a cycle is complete at once, and
// what the audio thread plays back goes out in the next cycle. A server at another rate than ours
// is converted to and from it in the streams (CardStream). PortAudio's JACK devices take
// neither a client name nor port names of ours, hence this backend.
class JackWaveSystem : public WaveSystem {
 public:
  explicit JackWaveSystem(WaveSettings settings = {}, std::string clientName = "quarvin");
  ~JackWaveSystem() override;

  int DeviceCount(Direction d) override;
  std::unique_ptr<WaveDevice> Open(Direction d, std::string& error) override;
  std::vector<WaveDeviceInfo> List() override;
  // Whether a JACK server answered. One that answered but would not take our client still
  // counts a device, so that opening it reports why.
  bool Reached();
  // The port midi_in beside the sound ports.
  std::unique_ptr<MidiInput> OpenMidi() override;

 private:
  std::shared_ptr<JackClient> Client(std::string& error);

  WaveSettings settings_;
  std::string name_;
  std::shared_ptr<JackClient> client_;
  // The first attempt's outcome, kept: a client that failed is not tried again.
  bool reached_ = false;
  std::string error_;
};
