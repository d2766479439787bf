#pragma once
#include <QTextBrowser>

// The German guide in a window of its own: the Markdown file with its pictures. Its headings
// carry the anchors the guide's own links use, so that the table of contents works and a
// panel's section can be opened. Escape closes the window.
class THelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  // The guide installed beside the program (share/quarvin/anleitung) or in the build folder
  // (docs); empty when there is none.
  static QString GuidePath();

  THelpWindow(const QString& path, QWidget* parent);

  // Scrolls to the section showing the panel picture of a device (the registry's name); false
  // when the guide has none.
  bool ShowPanelSection(const QString& deviceName);

 protected:
  // Every document the window loads gets its heading anchors.
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

 private:
  void ScrollTo(const QString& anchor);
};
