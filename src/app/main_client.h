#pragma once
#include <array>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/audio_loop.h"
#include "app/canvas_view.h"
#include "app/document.h"
#include "app/edit_commands.h"
#include "app/edit_history.h"
#include "app/midi_mapping.h"
#include "app/recorder.h"
#include "app/recovery.h"
#include "app/selection.h"
#include "app/shell.h"
#include "engine/canvas.h"
#include "engine/devwin.h"
#include "engine/sample_buffer.h"
#include "engine/schedule.h"
#include "engine/schedule_crew.h"
#include "engine/wire.h"
#include "platform/audio/wave.h"
#include "platform/midi_queue.h"
#include "platform/sound_output.h"
#include "platform/spsc_ring.h"
#include "platform/thread.h"
#include "toolkit/bitmap_cache.h"
#include "toolkit/window_numbers.h"

class NTPlug;

// The canvas: root of the window tree (its children are the devices), owner of the device list,
// the canvas lock, the sample buffers, the wiring options, the bitmap cache and the file name;
// and the audio thread; and the patch as a document, changed by the user only through edit
// commands that its history can undo. Everything here runs on the window thread except Run and
// ProcessBlock.
class TMainClient : public TCanvas, public TThread, public TDocument {
 public:
  // audio may be null: then Setup opens nothing and no audio thread runs (render tool, tests).
  TMainClient(Shell& shell, WaveSystem* audio);
  ~TMainClient() override;

  // The canvas setup: places Input and Output, starts the timer, then the sound (StartSound).
  // False when the sound could not be started; the canvas works without it.
  bool Setup();
  // The close query: stops the audio thread, the timer and the audio; deletes every device.
  void CloseQuery();
  // Live sound in short blocks of `frames` (TAudioLoop::kMinBlockFrames..kMaxBlockFrames) instead
  // of the default blocks; before Setup.
  void SetLiveBlock(int frames) { liveBlock_ = frames; }
  // Runs the schedule's levels on `crew`'s threads as well (null: on the audio thread alone);
  // while no audio runs.
  void UseCrew(std::unique_ptr<TScheduleCrew> crew);
  int Threads() const noexcept { return crew_ ? crew_->Threads() : 1; }
  TScheduleCrew* Crew() const noexcept { return crew_.get(); }

  // The sound, apart from the patch. StartSound opens the devices and starts the audio thread
  // (true when it runs, or when there is no sound system to start; a failure goes to the error
  // box); StopSound ends the thread and closes
  // the devices; UseSound stops the sound and takes another system and block size for the next
  // start. The patch, its changes and its recovery copies are untouched by all three.
  bool StartSound();
  void StopSound();
  void UseSound(WaveSystem* audio, int liveBlock);
  bool SoundRunning() const { return Running(); }
  // After the audio thread ended by itself because the card or its server went away: stops the
  // sound and says so in the error box (window thread, from the timer).
  void WatchSound();
  // Whether the audio thread ended because the card was lost (until WatchSound has seen it).
  bool SoundLost() const { return soundLost_.load(std::memory_order_acquire); }
  // The rate the open card runs at (0 while none is open).
  int CardRate() const;
  // What the error box and the live runner say about a lost card; the box adds kSoundStopped.
  static constexpr const char* kSoundLost =
      "Die Verbindung zur Soundkarte ist abgerissen: der Sound-Server läuft nicht mehr oder hat "
      "Quarvin hinausgeworfen.";
  static constexpr const char* kSoundStopped =
      " Der Ton ist angehalten, der Patch bleibt unverändert. „Hilfsmittel → Soundkarte...“ "
      "startet den Ton wieder.";
  // What the audio thread's run did, once it has ended; and the sound card's dropouts and the
  // sound server's xruns so far (while the devices are open).
  const TAudioLoop::Figures& LiveFigures() const { return figures_; }
  uint64_t Dropouts() const;
  uint64_t Xruns() const;

  // Window-system entry points. Mouse points are window (screen) pixels.
  void Command(int id);
  // shift: the Shift key is held (a click adds a panel to the selection or takes it out).
  void Mouse(MouseKind kind, Point screenPt, bool shift = false);
  // Escape, and a right click on the background: drops a pending connection or a rubber band,
  // places a panel that follows the pointer where its focus rectangle stands, and clears the
  // selection. Nothing is lost or left invisible.
  void Escape();
  void Timer();
  void Resize(int width, int height);
  // Erases and paints the pending update region into the backing store; returns the region.
  Rect PaintPending();
  // The backing store: the canvas pixels View().Stored() at 100 %.
  const Surface& Pixels() const { return pixels_; }

  // The view (zoom, scroll position, window size): window state, never part of the patch.
  const TView& View() const { return view_; }
  // What the scroll bars span: every panel (and what the mouse carries) with a margin.
  Rect ScrollArea() const;
  // Shows the canvas from origin on, kept within the scroll area.
  void ScrollTo(Point origin);
  // Zooms to zoom percent (within TView's range), keeping the canvas point under the screen
  // point where it is.
  void ZoomTo(int zoom, Point screenAnchor);
  // Zooms so that every panel fits the window.
  void FitAll();
  // A turn of the wheel by notches (positive: away from the user) over a screen point: with
  // zoom set it zooms around the point, else it scrolls (sideways when horizontal).
  void Wheel(Point screenPt, int notches, bool horizontal, bool zoom);
  // The pointer left the window without a button held: nothing scrolls by itself any more.
  void PointerLeft() { pointerIn_ = false; }
  // Paints everything into a surface of its own (the render tool's picture).
  void PaintAll(Surface& target);

  // "Quarvin V1.01 - <file or (Kein Titel)>", with a * before the name while it is modified.
  std::string TitleText() const;
  void UpdateTitle();
  void SetMenuMarks();

  // The device list.
  NTDevWin* CreateDevice(DeviceType type);
  void DeleteDevice(NTDevWin* device);
  void DeleteAllDevices();
  std::vector<NTDevWin*> Devices();

  // What became of a load: a rejected file (wrong type or version) leaves a new patch; a damaged
  // one (cut short) leaves what could be read, untitled; a file that cannot be read leaves the
  // patch as it was. Each after the error box.
  struct LoadResult {
    enum Kind { Complete, Damaged, Rejected, Unreadable } kind = Complete;
    std::string message{};  // the error box's text
    std::string reason{};   // why an unreadable file could not be read, as the system says it
    // A patch came from the file, whole or in part.
    explicit operator bool() const { return kind == Complete || kind == Damaged; }
  };

  // File commands. New and Open first ask about unsaved changes.
  void New();
  void Open();
  bool SaveAs();
  // Loads a patch under the lock; the title names the file only when it loaded completely.
  LoadResult Load(const std::string& path);
  // The same with bytes at hand; a complete load keeps the current file name.
  LoadResult LoadBytes(std::span<const uint8_t> bytes);
  // Writes the patch; false when the file could not be written (after the error box). Only a
  // written file renames the patch.
  bool Save();
  std::vector<uint8_t> SaveBytes();
  // Writes the patch to path and nothing else changes; false when that failed, with the system's
  // reason in *error.
  bool SaveCopy(const std::string& path, std::string* error = nullptr);
  // How many devices a patch file's type list names; nullopt for a file that is not a patch.
  static std::optional<size_t> DevicesIn(std::span<const uint8_t> bytes);

  // Compiles the device list and its wiring into the schedule the audio thread takes up at its
  // next block. Called after every change of the list or of a connection.
  void Reschedule();
  // Whether every sub-block since the last Reschedule ran through the schedule.
  bool Scheduled() const noexcept { return !schedule_.Stale(); }

  // Unsaved changes (window thread). The flag is set by every change the user makes and cleared
  // by New, a load, a save and by undoing or redoing back to the state last saved.
  bool Modified() const { return !history_.Clean(); }
  void PatchChanged() override;
  // Before the patch is given up (New, Open, quitting): with unsaved changes, asks whether to
  // save them. True when the command may go on.
  bool MayDiscardChanges();
  // Keeps a copy of the modified patch in folder every interval from now on, and first offers
  // the copies that crashed programs left there. An empty folder keeps no copies.
  void StartRecovery(const std::filesystem::path& folder,
                     TRecovery::Clock::duration interval = TRecovery::kDefaultInterval);

  // Recording what is heard (recording.cpp). Starts writing the blocks that go to the sound card
  // into `output` (and what the patch hears into the file beside it), from the next block on;
  // the German reason when that cannot be, else empty.
  std::string StartRecording(const std::string& output, bool withInput,
                             SoundOutput::Existing existing);
  void StopRecording() { recorder_.Stop(); }
  TRecorder& Recorder() { return recorder_; }
  // How the last recording ended, once its files are complete.
  const std::optional<TRecorder::Outcome>& LastRecording() const { return lastRecording_; }
  // The file beside a recording that takes what the patch hears: "take.wav" → "take-eingang.wav".
  static std::string InputRecordingPath(const std::string& output);
  // Editing (edit.cpp). Undo and Redo as the menu's; false when there was nothing to do.
  bool Undo();
  bool Redo();
  const TEditHistory& History() const { return history_; }
  const TSelection& Selection() const { return selection_; }
  void Select(std::span<NTDevWin* const> devices);
  void SelectAll();
  void ClearSelection();
  // Deletes the selected devices with their wires as one step.
  void DeleteSelection();
  // The selected devices and the wires among them as a patch of their own (list order kept).
  std::vector<uint8_t> CopyBytes();
  // Adds the devices of patch bytes (their wires among them, their settings) as one step and
  // selects them; their top-left corner goes to at, or 20 pixels below and right of where they
  // were. False when the bytes hold no patch.
  bool Paste(std::span<const uint8_t> bytes, std::optional<Point> at, const std::string& name);

  // Runs the processing cycle over input block in into output block out (audio thread, or any
  // thread while no audio thread runs).
  void ProcessBlock(int in, int out);
  // The sample blocks the audio loop cycles through; without an audio thread (render tool,
  // tests) the caller fills an input block, runs ProcessBlock and reads the output block.
  TSampleBuffer& InBlock(int i) { return inBuf_.at(size_t(i)); }
  TSampleBuffer& OutBlock(int i) { return outBuf_.at(size_t(i)); }
  void ProcessBuffers(const TSampleBuffer& in, TSampleBuffer& out);
  // The MIDI events each block takes in from now on (null: none); it must outlive the audio
  // thread. Window thread, while no audio thread runs.
  void SetMidi(TMidiQueue* midi) { midi_ = midi; }
  // MIDI controllers (midi_learn.cpp). The controller messages the blocks took in since the last
  // call move the controls mapped to them, as the user's hand would; a gesture of them is one
  // undo step that ends once no mapped message came for kMidiGesturePause. Timer calls it.
  void TakeControllers(TMidiMapping::Clock::time_point now);
  const TMidiMapping& MidiMapping() const { return mapping_; }
  static constexpr TMidiMapping::Clock::duration kMidiGesturePause = std::chrono::milliseconds(500);
  // Where the small mark of a mapped control stands.
  static Rect MidiMark(const NTWin& control);

  // TCanvas.
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
  void WiringChanged() override;
  Rect ClientRect() const override { return view_.Visible(); }
  void OpenDevicePopup(NTDevWin* device, Point clientPt) override;
  int32_t NumberOf(const NTWin* w) override;
  NTWin* WindowOf(int32_t number) override;

  void InvalidateAll(bool erase);

  // Edit history (document.cpp).
  void ControlChanged(NTWin* control) override;
  void BeginGesture() override;
  void EndGesture() override;
  void ConnectionChanged(NTPlugIn& in, NTPlugOut* before) override;
  void DeviceMoved(NTDevWin& device, Point from) override;

  // TDocument (document.cpp).
  std::span<NTDevWin* const> DeviceList() const override { return devices_; }
  void AttachDevices(std::vector<Placed> devices) override;
  std::vector<Placed> DetachDevices(std::span<NTDevWin* const> devices) override;
  void PlaceDevices(std::span<const std::pair<NTDevWin*, Point>> places) override;
  void SetSources(std::span<const std::pair<NTPlugIn*, NTPlugOut*>> sources) override;
  std::vector<uint8_t> StateOf(NTDevWin& device) override;
  void RestoreState(NTDevWin& device, std::span<const uint8_t> state) override;
  int32_t Option(int which) const override;
  void SetOption(int which, int32_t value) override;

  std::string FileName;
  int32_t WiresOn = 1;      // WiresVisible
  int32_t WiresBehind = 0;  // 1: wires drawn before the panels
  int32_t CurvesOn = 1;     // WireCurves
  int32_t SnapOn = 1;       // Snap
  NTDevWin* PopupDevice = nullptr;
  TCriticalSection Lock;

  static constexpr const char* kProduct = "Quarvin V1.01";
  // The options by their place in the file.
  static constexpr int kWiresVisibleWord = 0, kWiresBehindWord = 1, kCurvesWord = 2, kSnapWord = 3;
  // A device's name as the edit menu says it ("VCO").
  static std::string DeviceName(const NTDevWin& device);

 protected:
  int Run() override;

 private:
  void PlaceStartDevices();
  void CloseWaves();
  void NewLocked();
  void Insert(DeviceType type);
  void RunCommand(int id);
  void ChooseOption(int which, int32_t value);
  // The edit history's side of the document.
  void PushEdit(std::unique_ptr<TEditCommand> edit);
  // Undo or Redo, once what the pointer carries is put down and open control changes are a step.
  bool StepHistory(bool (TEditHistory::*step)(TDocument&));
  void EditsChanged();
  void ClearHistory();
  void CommitControlChanges();
  void RefreshStates();
  void UpdateEditMenu();
  NTDevWin* DeviceOf(NTWin* w);
  NTDevWin* DeviceAt(Point pt);
  // Editing commands and the selection on the canvas (edit.cpp, selection_view.cpp).
  bool RunEditCommand(int id);
  void DeleteDevices(std::vector<NTDevWin*> devices, const char* name = nullptr);
  bool PressSelects(MouseKind kind, Point pt, bool shift);
  void TrackBand(MouseKind kind, Point pt);
  void EndBand(bool select);
  void DrawBand();
  // Repaints where a selection mark around a panel at panel stands or would stand.
  void InvalidateMark(Rect panel);
  void PaintSelection(Dc& dc);
  std::vector<uint8_t> PatchBytes(std::span<NTDevWin* const> devices);
  // Appends the devices of patch bytes to the list, as a load reads them; none when the bytes
  // hold no patch.
  std::vector<NTDevWin*> AddDevicesFrom(std::span<const uint8_t> bytes);
  void EraseBackground(Dc& dc);
  void PaintInto(Dc& dc, bool erase);
  void Route(MouseKind kind, Point pt, bool shift);
  // Puts down what the pointer carries (a panel, a connection, a rubber band).
  void PutDown();
  void LetGoOfPlacedPanel();
  // Drops every reference to a device that leaves the list.
  void ForgetDevice(NTDevWin& device);
  bool OnBackground(Point pt);
  // View commands (zoom, fit); false for any other id.
  bool RunViewCommand(int id);
  // While a panel or a cable end is carried near or past the window's edge, the view scrolls
  // that way and the carried thing follows the pointer (timer).
  void AutoScroll();
  // After anything that may have changed the scroll area: keeps the view inside it and tells
  // the window system.
  void NoteView();
  void Rezoom(int zoom, Point origin);

  // The provisional cable: while a connection is pending it hangs from the first connector to
  // the pointer, on top of everything. It lives only here, never in the tree or a file.
  NTPlug* PendingConnector() const;
  TWire Cable(const NTPlug& from) const;
  // Moves, shows or hides the cable after anything that may have changed it; repaints only the
  // rectangles it leaves and enters.
  void UpdateCable();
  void PaintPendingConnection(Dc& dc);
  LoadResult LoadFile(const std::string& path, const std::string& name);
  LoadResult LoadNamed(std::span<const uint8_t> bytes, const std::string& name);
  LoadResult LoadLocked(ipstream& is);
  bool SaveTo(const std::string& path);
  // The MIDI mappings beside a patch file (midi_learn.cpp): written with every save (removed
  // when there are none), read after a complete load. Failures go to the error box.
  bool SaveMidiFile(const std::string& patchPath);
  void LoadMidiFile(const std::string& patchPath);
  void ForwardControllers() noexcept;
  void ChooseMidi(int id, NTWin& control);
  void StopLearning();
  void ShowMapped(NTWin& control);
  // The marks of mapped controls on the list's devices, and of the control that waits to learn.
  std::vector<const NTWin*> MarkedControls();
  bool MidiMarksMeet(Rect r);
  void PaintMidiMarks(Dc& dc);
  void MarkUnmodified();
  void KeepRecoveryCopy();
  bool WriteRecoveryCopy();
  void Restore(const std::filesystem::path& file);
  void ToggleRecording();
  void RecordingTick();
  void RecordingEnded(const TRecorder::Outcome& outcome);
  std::string RecordingCaption() const;

  Shell& shell_;
  WaveSystem* audio_;
  // Short-block mode: its blocks and the doorbell the devices ring. Both outlive the devices,
  // which may still hold a block after a failed wait.
  int liveBlock_ = 0;
  std::vector<TSampleBuffer> shortIn_, shortOut_;
  WaveDoorbell doorbell_;
  std::unique_ptr<WaveDevice> waveIn_, waveOut_;
  TAudioLoop::Figures figures_;
  std::atomic<bool> soundLost_{false};
  NTWin root_;
  TBitmapCache bitmaps_;
  NTWin* captured_ = nullptr;
  TFrameIo io_;
  TMidiQueue* midi_ = nullptr;
  // The controller messages, from the audio thread to the window thread.
  SpscRing<TMidiEvent> controllers_{1024};
  TMidiMapping mapping_;
  // Positions that wait while the mouse holds a panel or a control.
  TMidiMapping::Positions heldPositions_;
  bool midiGesture_ = false;
  TMidiMapping::Clock::time_point lastMapped_{};
  std::array<TMidiEvent, 512> midiBlock_{};  // the block's events, which io_.Midi shows
  Surface pixels_;
  TView view_;
  Rect scrollArea_{};  // as the window system was last told
  Rect pending_{};
  Point pointer_{};  // canvas point
  Point screenPointer_{};
  bool pointerIn_ = false;
  bool rightPressPlaced_ = false;
  Point cableEnd_{};  // where the cable on screen ends
  Rect cableRect_{};  // what it covers; empty when none is shown
  bool pendingErase_ = false;
  // While every device goes at once nobody needs to forget anything.
  bool deletingAll_ = false;
  // The device list as an array for the processing cycle; changed only under the lock.
  std::vector<NTDevWin*> devices_;
  // Counts the changes of devices_: a schedule of another version never runs.
  uint64_t devicesVersion_ = 0;
  // Declared before the slot, so that it outlives every schedule that may use it.
  std::unique_ptr<TScheduleCrew> crew_;
  TScheduleSlot schedule_;
  TAudioLoop::Blocks inBuf_, outBuf_;
  TEditHistory history_;
  TSelection selection_;
  // Every device's saved record as the history last saw it: a control change's state before.
  std::unordered_map<const NTDevWin*, std::vector<uint8_t>> states_;
  bool statesStale_ = true;
  int gestureDepth_ = 0;
  bool mouseGesture_ = false;
  std::vector<TStateEdit::Change> gestureChanges_;
  // The device an insert left following the pointer: putting it down belongs to the insert.
  NTDevWin* placing_ = nullptr;
  // The rubber band while one is drawn: where it began and where its XOR frame stands.
  std::optional<Point> bandStart_;
  Rect bandRect_{};
  bool shownModified_ = false;
  // Changed since the last recovery copy.
  bool copyOutdated_ = false;
  std::optional<TRecovery> recovery_;
  TRecorder recorder_;
  std::string recording_;  // the output file of the recording running
  std::optional<TRecorder::Outcome> lastRecording_;
  std::pair<int64_t, int64_t> shown_{};  // seconds and dropouts the title shows
  // The window numbers while a patch is written or read.
  std::optional<TWindowNumbers> numbers_;
};
