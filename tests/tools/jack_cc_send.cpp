// Test tool: a JACK client that sends controller messages to one MIDI input port and exits, for
// the end-to-end scripts (the JACK example tools send only notes).
// Usage: jack_cc_send PORT CHANNEL(1-16) CONTROLLER(0-127) SPACING_MS VALUE...
#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {
struct Sender {
  jack_port_t* port = nullptr;
  unsigned char status = 0xB0, controller = 0;
  std::vector<unsigned char> values;
  jack_nframes_t spacing = 0, wait = 0;
  std::atomic<bool> connected{false};
  std::atomic<size_t> sent{0};
};

// One message at the start of the cycle in which its time has come.
int Process(jack_nframes_t frames, void* arg) {
  auto& s = *static_cast<Sender*>(arg);
  void* buffer = jack_port_get_buffer(s.port, frames);
  jack_midi_clear_buffer(buffer);
  if (!s.connected) return 0;
  if (s.wait > frames) {
    s.wait -= frames;
    return 0;
  }
  const size_t next = s.sent;
  if (next == s.values.size()) return 0;
  const unsigned char message[3] = {s.status, s.controller, s.values[next]};
  if (jack_midi_event_write(buffer, 0, message, 3) == 0) {
    s.sent = next + 1;
    s.wait = s.spacing;
  }
  return 0;
}

int Number(const char* text, int first, int last) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*end != '\0' || n < first || n > last) {
    std::fprintf(stderr, "jack_cc_send: %s is not a number within %d..%d\n", text, first, last);
    std::exit(2);
  }
  return int(n);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: jack_cc_send PORT CHANNEL CONTROLLER SPACING_MS VALUE...\n");
    return 2;
  }
  Sender s;
  s.status = static_cast<unsigned char>(0xB0 + Number(argv[2], 1, 16) - 1);
  s.controller = static_cast<unsigned char>(Number(argv[3], 0, 127));
  const int spacingMs = Number(argv[4], 0, 60000);
  for (int i = 5; i < argc; ++i)
    s.values.push_back(static_cast<unsigned char>(Number(argv[i], 0, 127)));

  jack_client_t* client = jack_client_open("cc_send", JackNoStartServer, nullptr);
  if (!client) {
    std::fprintf(stderr, "jack_cc_send: no JACK server\n");
    return 1;
  }
  s.spacing = jack_nframes_t(int64_t(jack_get_sample_rate(client)) * spacingMs / 1000);
  s.port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  int status = 1;
  if (s.port && jack_set_process_callback(client, Process, &s) == 0 && jack_activate(client) == 0) {
    if (jack_connect(client, jack_port_name(s.port), argv[1]) == 0) {
      s.connected = true;
      while (s.sent < s.values.size()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      // The last message leaves with the cycle that wrote it.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      status = 0;
    } else {
      std::fprintf(stderr, "jack_cc_send: cannot connect to %s\n", argv[1]);
    }
  }
  jack_client_close(client);
  return status;
}
