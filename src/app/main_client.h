#pragma once
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/audio_loop.h"
#include "app/shell.h"
#include "engine/canvas.h"
#include "engine/devwin.h"
#include "engine/sample_buffer.h"
#include "platform/audio/wave.h"
#include "platform/thread.h"
#include "toolkit/bitmap_cache.h"

// The canvas: root of the window tree (its children are the devices), owner of the device list,
// the canvas lock, the sample buffers, the wiring options, the bitmap cache and the file name;
// and the audio thread. Everything here runs on the window thread except Run and ProcessBlock.
class TMainClient : public NTCanvas, public TThread {
 public:
  // audio may be null: then Setup opens nothing and no audio thread runs (render tool, tests).
  TMainClient(Shell& shell, WaveSystem* audio);
  ~TMainClient() override;

  // The canvas setup: opens the audio (quits with 1 when that fails), places Input and Output,
  // starts the timer and the audio thread. False when the program must end.
  bool Setup();
  // The close query: stops the audio thread, the timer and the audio; deletes every device.
  void CloseQuery();
  // Live sound in short blocks of `frames` (TAudioLoop::MinBlockFrames..MaxBlockFrames) instead
  // of the default blocks; before Setup.
  void SetLiveBlock(int frames) { liveBlock_ = frames; }
  // What the audio thread's run did, once it has ended; and the sound card's dropouts and the
  // sound server's xruns so far (while the devices are open).
  const TAudioLoop::Figures& LiveFigures() const { return figures_; }
  uint64_t Dropouts() const;
  uint64_t Xruns() const;

  // Window-system entry points.
  void Command(int id);
  void Mouse(MouseKind kind, Point clientPt);
  void Timer();
  void Resize(int width, int height);
  // Erases and paints the pending update region into the backing store; returns the region.
  Rect PaintPending();
  const Surface& Pixels() const { return pixels_; }
  // Paints everything into a surface of its own (the render tool's picture).
  void PaintAll(Surface& target);

  // "Quarvin V1.01 - <file or (Kein Titel)>".
  std::string TitleText() const;
  void UpdateTitle();
  void SetMenuMarks();

  // The device list.
  NTDevWin* CreateDevice(DeviceType type);
  void DeleteDevice(NTDevWin* device);
  void DeleteAllDevices();
  std::vector<NTDevWin*> Devices();

  // File commands.
  void New();
  void Open();
  bool SaveAs();
  // Loads a patch under the lock; false (after the error box and New) for a rejected file.
  bool Load(const std::string& path);
  bool LoadBytes(const std::vector<uint8_t>& bytes);
  // Writes the patch; false when the file could not be written (after the error box).
  bool Save();
  std::vector<uint8_t> SaveBytes();

  // Runs the processing cycle over InBuf[in] into OutBuf[out] (audio thread).
  void ProcessBlock(int in, int out);
  void ProcessBuffers(const TSampleBuffer& in, TSampleBuffer& out);

  // NTCanvas.
  NTWin* Root() override { return &root_; }
  TBitmapCache& Bitmaps() override { return bitmaps_; }
  void SetCapture(NTWin* w) override;
  void ReleaseCapture() override;
  NTWin* Captured() const override { return captured_; }
  Dc BeginClientDc() override;
  void EndClientDc(Dc& dc) override;
  void Invalidate(Rect r, bool erase) override;
  void ForgetWindow(NTWin* dying) override;
  void Beep() override { shell_.Beep(); }
  void ErrorBox(const std::string& text) override { shell_.ErrorBox(text); }
  int32_t Snap() const override { return SnapOn; }
  int32_t WiresVisible() const override { return WiresOn; }
  int32_t WireCurves() const override { return CurvesOn; }
  TFrameIo& Io() override { return io_; }
  void OpenDevicePopup(NTDevWin* device, Point clientPt) override;
  int32_t NumberOf(const NTWin* w) override;
  NTWin* WindowOf(int32_t number) override;

  void InvalidateAll(bool erase);

  std::string FileName;
  int32_t WiresOn = 1;      // WiresVisible
  int32_t WiresBehind = 0;  // 1: wires drawn before the panels
  int32_t CurvesOn = 1;     // WireCurves
  int32_t SnapOn = 1;       // Snap
  NTDevWin* PopupDevice = nullptr;
  TCriticalSection Lock;
  std::array<TSampleBuffer, 7> InBuf, OutBuf;

  static constexpr const char* Product = "Quarvin V1.01";

 protected:
  int Run() override;

 private:
  void PlaceStartDevices();
  void NewLocked();
  void Insert(DeviceType type);
  void SetOption(int32_t& option, int32_t value);
  void EraseBackground(Dc& dc);
  void PaintInto(Dc& dc, bool erase);
  bool LoadLocked(ipstream& is);
  void BuildNumberTables();

  Shell& shell_;
  WaveSystem* audio_;
  // Short-block mode: its blocks and the doorbell the devices ring. Both outlive the devices,
  // which may still hold a block after a failed wait.
  int liveBlock_ = 0;
  std::vector<TSampleBuffer> shortIn_, shortOut_;
  WaveDoorbell doorbell_;
  std::unique_ptr<WaveDevice> waveIn_, waveOut_;
  TAudioLoop::Figures figures_;
  NTWin root_;
  TBitmapCache bitmaps_;
  NTWin* captured_ = nullptr;
  TFrameIo io_;
  Surface pixels_;
  Rect pending_{};
  bool pendingErase_ = false;
  // While every device goes at once nobody needs to forget anything.
  bool deletingAll_ = false;
  // The device list as an array for the processing cycle; changed only under the lock.
  std::vector<NTDevWin*> devices_;
  // The window-number tables while a patch is written or read.
  std::vector<NTWin*> windowOf_;
  std::unordered_map<const NTWin*, int32_t> numberOf_;
};
