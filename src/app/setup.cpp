// Start and stop of the canvas, and the audio thread.
#include "app/main_client.h"

bool TMainClient::Setup() {
  PlaceStartDevices();
  shell_.StartTimer();
  return true;
}

void TMainClient::CloseQuery() {
  Terminate();
  WaitForExit();
  shell_.StopTimer();
  TCriticalSection::Lock lock(Lock);
  DeleteAllDevices();
}

int TMainClient::Run() {
  return 0;
}
