#include "platform/art.h"

#include "platform/art_parts.h"

Surface MakeBitmap(int resource) {
  using namespace art;
  switch (resource) {
    case bmp::JackMask:
      return MakeJackMask();
    case bmp::JackBlue:
      return MakeJack(Rgb(48, 88, 224));
    case bmp::JackRed:
      return MakeJack(Rgb(224, 40, 32));
    case bmp::JackWhite:
      return MakeJack(Rgb(236, 236, 236));
    case bmp::ArrowUp:
      return MakeArrowButton(true);
    case bmp::ArrowDown:
      return MakeArrowButton(false);
    case bmp::Knob:
      return MakeKnob();
    case bmp::Track:
      return MakeTrack();
    case bmp::KeyGnd:
      return MakeKeysGnd();
    case bmp::KeyOn:
      return MakeKeysOn();
    case bmp::KeysChannel:
      return MakeKeysChannel();
    case bmp::KeysSlope:
      return MakeKeysSlope();
    case bmp::IoArrowMask:
      return MakeIoArrowMask();
    case bmp::IoArrow:
      return MakeIoArrow();
    case bmp::DisplayField:
      return MakeDisplayField();
    case bmp::DisplayFont:
      return MakeDisplayFont();
    case bmp::CrossMask:
      return MakeCrossMask();
    case bmp::Cross:
      return MakeCross();
    case bmp::VuBar:
      return MakeVuBar();
    case bmp::ScopeScreen:
      return MakeScopeScreen();
    case bmp::ScopeGraticule:
      return MakeScopeGraticule();
    case bmp::KeysLfoWave:
      return MakeKeysLfoWave();
    case bmp::KeysVcoWave:
      return MakeKeysVcoWave();
    case bmp::KeysFilter:
      return MakeKeysFilter();
    default:
      return {};
  }
}
