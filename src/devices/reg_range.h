#pragma once

// A value slider's parameters as a panel layout table lists them.
struct TRegRange {
  int travel, min, max, step, initial;
};
