#include "platform/audio/jack_wave.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/audio/card_stream.h"
#include "platform/audio/midi_input.h"
#include "platform/audio/quiet_probe.h"

namespace {

using Direction = WaveSystem::Direction;

int Index(Direction d) {
  return d == Direction::In ? 0 : 1;
}

int16_t ToSample(float x) noexcept {
  const float v = x * 32768.0f;
  if (!(v > -32768.0f)) return -32768;  // NaN too
  if (v >= 32767.0f) return 32767;
  return int16_t(std::lrint(v));
}

float FromSample(int16_t s) noexcept {
  return float(s) / 32768.0f;
}

}  // namespace

// One JACK client and its two port pairs. The blocks of both directions live here, so the
// process callback never touches an object that a device's close could free.
class JackClient {
 public:
  JackClient() = default;
  ~JackClient() { Close(); }
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  // Leaves the server. After the server has gone there is nothing to deactivate, and the
  // dead client must go before anything else in the process opens a JACK client: the library
  // shares its state between clients, and a later client's end can free what the dead one still
  // points to.
  void Close() {
    if (!client_) return;
    if (!Lost()) jack_deactivate(client_);
    jack_client_close(client_);
    client_ = nullptr;
  }

  // Becomes a client of the running server; false (with the reason) when none answers.
  bool Connect(const std::string& name, std::string& error) {
    QuietProbe quiet;
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (client_) return true;
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    error = (status & JackServerFailed) || (status & JackServerError)
                ? "Der JACK-Server nimmt keinen Client an"
                : "Der JACK-Server „" + std::string(server && *server ? server : "default") +
                      "“ läuft nicht";
    return false;
  }

  // Sets the streams to the server's rate and starts the client; false with the reason.
  bool Activate(bool shortBlocks, std::string& error) {
    const int rate = int(jack_get_sample_rate(client_));
    for (Direction d : {Direction::In, Direction::Out})
      if (error = streams_[Index(d)].SetCardRate(rate, d == Direction::In, shortBlocks);
          !error.empty())
        return false;
    jack_set_process_callback(client_, &Process, this);
    jack_set_xrun_callback(client_, &Xrun, this);
    jack_on_info_shutdown(client_, &Shutdown, this);
    if (jack_activate(client_) != 0) {
      error = "Der JACK-Client ließ sich nicht aktivieren";
      return false;
    }
    return true;
  }

  // Registers the direction's ports and connects them to the system's unless told not to.
  bool AddPorts(Direction d, bool connect, std::string& error) {
    const bool in = d == Direction::In;
    const char* names[2] = {in ? "in_L" : "out_L", in ? "in_R" : "out_R"};
    jack_port_t** ports = ports_[Index(d)];
    for (int c = 0; c < 2; ++c) {
      if (ports[c]) continue;
      ports[c] = jack_port_register(client_, names[c], JACK_DEFAULT_AUDIO_TYPE,
                                    in ? JackPortIsInput : JackPortIsOutput, 0);
      if (!ports[c]) {
        error = "JACK-Anschluss " + std::string(names[c]) + " konnte nicht angelegt werden";
        return false;
      }
    }
    if (connect) ConnectToSystem(d);
    return true;
  }

  // Registers the MIDI input port midi_in; its events go into the queue from the next cycle on.
  TMidiQueue* AddMidiPort() {
    if (!midiPort_) {
      midiPort_ =
          jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
      if (!midiPort_) return nullptr;
      rate_ = jack_get_sample_rate(client_);
      midiOn_.store(true, std::memory_order_release);
    }
    return &midi_;
  }

  CardStream& Stream(Direction d) { return streams_[Index(d)]; }
  uint64_t Xruns() const { return xruns_.load(std::memory_order_relaxed); }
  bool Lost() const { return lost_.load(std::memory_order_acquire); }
  // The callback moves the direction's frames from now on.
  void Run(Direction d) { running_[Index(d)].store(true, std::memory_order_release); }
  // The callback moves the direction's frames no more: when this returns, a callback still running
  // has finished, so the caller may free the blocks it queued. The flag and the callback's mark
  // are sequentially consistent, so either the callback sees the flag cleared or this sees the
  // callback inside and waits for it to leave.
  void Stop(Direction d) {
    running_[Index(d)].store(false, std::memory_order_seq_cst);
    while (inCycle_.load(std::memory_order_seq_cst))
      std::this_thread::sleep_for(std::chrono::microseconds(100));
  }

 private:
  // The physical capture ports feed in_L and in_R, out_L and out_R feed the playback ports; a
  // single physical port serves both channels.
  void ConnectToSystem(Direction d) {
    const bool in = d == Direction::In;
    const char** system =
        jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                       JackPortIsPhysical | (in ? JackPortIsOutput : JackPortIsInput));
    if (!system) return;
    for (int c = 0; c < 2 && system[0]; ++c) {
      const char* other = system[1] ? system[c] : system[0];
      const char* own = jack_port_name(ports_[Index(d)][c]);
      if (in)
        jack_connect(client_, other, own);
      else
        jack_connect(client_, own, other);
    }
    jack_free(system);
  }

  static int Process(jack_nframes_t frames, void* self) {
    auto* client = static_cast<JackClient*>(self);
    client->inCycle_.store(true, std::memory_order_seq_cst);
    client->Cycle(frames);
    client->inCycle_.store(false, std::memory_order_release);
    return 0;
  }

  // The server ended or threw the client out; it calls nothing of ours after this.
  static void Shutdown(jack_status_t, const char*, void* self) {
    static_cast<JackClient*>(self)->lost_.store(true, std::memory_order_release);
  }

  static int Xrun(void* self) {
    static_cast<JackClient*>(self)->xruns_.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }

  // Output before input: a block recorded in this cycle is processed while the server waits
  // for the next one and plays in it, every time; in the other order it would play in this
  // cycle or the next depending on how fast the audio thread woke, and each change from one to
  // the other would starve the output.
  void Cycle(jack_nframes_t frames) noexcept {
    if (midiOn_.load(std::memory_order_acquire)) ReadMidi(frames);
    constexpr jack_nframes_t Chunk = CardStream::kMaxPiece;
    int16_t samples[Chunk * kWaveChannels];
    if (running_[1].load(std::memory_order_seq_cst)) {
      auto* l = static_cast<float*>(jack_port_get_buffer(ports_[1][0], frames));
      auto* r = static_cast<float*>(jack_port_get_buffer(ports_[1][1], frames));
      for (jack_nframes_t at = 0; at < frames; at += Chunk) {
        const jack_nframes_t n = std::min(Chunk, frames - at);
        streams_[1].Play(samples, n * kWaveChannels);
        for (jack_nframes_t f = 0; f < n; ++f) {
          l[at + f] = FromSample(samples[2 * f]);
          r[at + f] = FromSample(samples[2 * f + 1]);
        }
      }
    }
    if (running_[0].load(std::memory_order_seq_cst)) {
      const auto* l = static_cast<const float*>(jack_port_get_buffer(ports_[0][0], frames));
      const auto* r = static_cast<const float*>(jack_port_get_buffer(ports_[0][1], frames));
      for (jack_nframes_t at = 0; at < frames; at += Chunk) {
        const jack_nframes_t n = std::min(Chunk, frames - at);
        for (jack_nframes_t f = 0; f < n; ++f) {
          samples[2 * f] = ToSample(l[at + f]);
          samples[2 * f + 1] = ToSample(r[at + f]);
        }
        streams_[0].Record(samples, n * kWaveChannels);
      }
    }
  }

  // The cycle's MIDI channel messages, stamped with their frame on the queue's time line (the
  // server's frames counted from the port's first cycle, at 44100 Hz), and then the end of the
  // cycle as the point up to which the queue is complete. Before the sound, so that a block
  // completed in this cycle finds its events.
  void ReadMidi(jack_nframes_t frames) noexcept {
    void* buffer = jack_port_get_buffer(midiPort_, frames);
    const auto at = [this](int64_t frame) { return frame * kSampleRate / rate_; };
    for (uint32_t i = 0, n = jack_midi_get_event_count(buffer); i < n; ++i) {
      jack_midi_event_t e;
      if (jack_midi_event_get(&e, buffer, i) != 0 || e.size < 2 || e.size > 3) continue;
      if (e.buffer[0] < 0x80 || e.buffer[0] >= 0xF0) continue;
      midi_.Push({at(midiFrames_ + e.time), e.buffer[0], e.buffer[1],
                  uint8_t(e.size > 2 ? e.buffer[2] : 0)});
    }
    midiFrames_ += frames;
    midi_.CompleteUntil(at(midiFrames_));
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* midiPort_ = nullptr;
  std::atomic<bool> midiOn_{false};
  int64_t rate_ = kSampleRate, midiFrames_ = 0;  // the callback's
  TMidiQueue midi_;
  // [direction][channel]; written before the direction runs, read by the callback after.
  jack_port_t* ports_[2][2] = {};
  std::atomic<bool> running_[2] = {false, false};
  std::atomic<bool> inCycle_{false};  // while the callback runs
  CardStream streams_[2];
  std::atomic<uint64_t> xruns_{0};
  std::atomic<bool> lost_{false};
};

namespace {

// Keeps the client, and so its MIDI port and queue, while the input is used.
class JackMidi final : public MidiInput {
 public:
  JackMidi(std::shared_ptr<JackClient> client, TMidiQueue& queue)
      : client_(std::move(client)), queue_(queue) {}
  TMidiQueue& Queue() override { return queue_; }

 private:
  std::shared_ptr<JackClient> client_;
  TMidiQueue& queue_;
};

class JackDevice final : public WaveDevice {
 public:
  JackDevice(std::shared_ptr<JackClient> client, Direction d) : client_(std::move(client)), d_(d) {
    // Output plays (silence) from the start; input records once started.
    if (d_ == Direction::Out) client_->Run(d_);
  }
  ~JackDevice() override { Close(); }

  void Queue(WaveHeader& block) override { client_->Stream(d_).Queue(block); }
  void Start() override { client_->Run(d_); }
  void Unprepare(WaveHeader&) override {}
  std::string Close() override {
    client_->Stop(d_);
    if (client_->Lost()) client_->Close();
    return {};
  }
  void SetDoorbell(WaveDoorbell* bell) override { client_->Stream(d_).SetDoorbell(bell); }
  uint64_t Dropouts() const override { return client_->Stream(d_).Dropouts(); }
  uint64_t SilentFrames() const override { return client_->Stream(d_).SilentFrames(); }
  // The client's, reported by the output only, so that they count once.
  uint64_t Xruns() const override { return d_ == Direction::Out ? client_->Xruns() : 0; }
  int CardRate() const override { return client_->Stream(d_).CardRate(); }
  bool Lost() const override { return client_->Lost(); }

 private:
  std::shared_ptr<JackClient> client_;
  Direction d_;
};

}  // namespace

JackWaveSystem::JackWaveSystem(WaveSettings settings, std::string clientName)
    : settings_(std::move(settings)), name_(std::move(clientName)) {}
JackWaveSystem::~JackWaveSystem() = default;

std::shared_ptr<JackClient> JackWaveSystem::Client(std::string& error) {
  if (client_) return client_;
  if (!error_.empty()) {
    error = error_;
    return nullptr;
  }
  auto client = std::make_shared<JackClient>();
  reached_ = client->Connect(name_, error_);
  if (reached_) client->Activate(settings_.BlockFrames > 0, error_);
  if (!error_.empty()) {
    error = error_;
    return nullptr;
  }
  client_ = std::move(client);
  return client_;
}

bool JackWaveSystem::Reached() {
  std::string error;
  Client(error);
  return reached_;
}

int JackWaveSystem::DeviceCount(Direction) {
  return Reached() ? 1 : 0;
}

std::vector<WaveDeviceInfo> JackWaveSystem::List() {
  return {{.Index = 0, .HostApi = "JACK", .Name = name_, .InChannels = 2, .OutChannels = 2}};
}

std::unique_ptr<WaveDevice> JackWaveSystem::Open(Direction d, std::string& error) {
  std::shared_ptr<JackClient> client = Client(error);
  if (!client || !client->AddPorts(d, settings_.Connect, error)) return nullptr;
  return std::make_unique<JackDevice>(std::move(client), d);
}

std::unique_ptr<MidiInput> JackWaveSystem::OpenMidi() {
  std::string error;
  std::shared_ptr<JackClient> client = Client(error);
  TMidiQueue* queue = client ? client->AddMidiPort() : nullptr;
  if (!queue) return nullptr;
  return std::make_unique<JackMidi>(std::move(client), *queue);
}
