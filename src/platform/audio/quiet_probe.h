#pragma once

// While one lives, what the sound libraries print about the cards and servers they probe and do
// not find (ALSA's "cannot find card", JACK's "cannot connect to server") stays off the
// terminal. Real failures still come back as error codes and reach the error box. Window
// thread only: the libraries' handlers are process-wide.
class QuietProbe {
 public:
  QuietProbe();
  ~QuietProbe();
  QuietProbe(const QuietProbe&) = delete;
  QuietProbe& operator=(const QuietProbe&) = delete;
};
