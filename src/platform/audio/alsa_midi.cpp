// The MIDI input through the ALSA sequencer: a port "Quarvin" that other programs (a keyboard's
// port, a sequencer) subscribe to, read by a thread of its own.
#include <alsa/asoundlib.h>
#include <poll.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/audio/midi_input.h"
#include "platform/audio/quiet_probe.h"

namespace {

// The channel message of a sequencer event, or false for any other event.
bool ToMidi(const snd_seq_event_t& ev, TMidiEvent& e) {
  const auto channel = uint8_t(ev.data.note.channel & 0x0F);
  e.Frame = TMidiEvent::kNow;
  switch (ev.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
      e.Status = uint8_t(
          (ev.type == SND_SEQ_EVENT_NOTEON ? TMidiEvent::kNoteOn : TMidiEvent::kNoteOff) | channel);
      e.Data1 = ev.data.note.note & 0x7F;
      e.Data2 = ev.data.note.velocity & 0x7F;
      return true;
    case SND_SEQ_EVENT_CONTROLLER:
      e.Status = uint8_t(TMidiEvent::kController | (ev.data.control.channel & 0x0F));
      e.Data1 = uint8_t(ev.data.control.param & 0x7F);
      e.Data2 = uint8_t(ev.data.control.value & 0x7F);
      return true;
    case SND_SEQ_EVENT_PITCHBEND: {
      // The sequencer gives -8192..8191 around the middle.
      const int v = ev.data.control.value + 8192;
      e.Status = uint8_t(TMidiEvent::kBend | (ev.data.control.channel & 0x0F));
      e.Data1 = uint8_t(v & 0x7F);
      e.Data2 = uint8_t((v >> 7) & 0x7F);
      return true;
    }
    default:
      return false;
  }
}

class AlsaMidi final : public MidiInput {
 public:
  ~AlsaMidi() override {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
    if (seq_) snd_seq_close(seq_);
  }

  bool Open(std::string& note) {
    {
      QuietProbe quiet;
      if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        note = "MIDI nicht verfügbar: kein ALSA-Sequencer";
        return false;
      }
    }
    snd_seq_set_client_name(seq_, "Quarvin");
    if (snd_seq_create_simple_port(
            seq_, "Quarvin", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION) < 0) {
      note = "MIDI nicht verfügbar: der ALSA-Anschluss konnte nicht angelegt werden";
      return false;
    }
    thread_ = std::thread([this] { Read(); });
    return true;
  }

  TMidiQueue& Queue() override { return queue_; }

 private:
  // Waits for events a tenth of a second at a time, so that the destructor's stop is seen.
  void Read() {
    std::vector<pollfd> fds(size_t(snd_seq_poll_descriptors_count(seq_, POLLIN)));
    snd_seq_poll_descriptors(seq_, fds.data(), unsigned(fds.size()), POLLIN);
    while (!stop_.load(std::memory_order_relaxed)) {
      if (poll(fds.data(), fds.size(), 100) <= 0) continue;
      snd_seq_event_t* ev = nullptr;
      while (snd_seq_event_input(seq_, &ev) >= 0 && ev) {
        TMidiEvent e;
        if (ToMidi(*ev, e)) queue_.Push(e);
      }
    }
  }

  snd_seq_t* seq_ = nullptr;
  TMidiQueue queue_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<MidiInput> OpenAlsaMidi(std::string& note) {
  auto midi = std::make_unique<AlsaMidi>();
  if (!midi->Open(note)) return nullptr;
  return midi;
}
