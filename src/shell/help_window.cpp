#include "shell/help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// The anchor a heading gets on the usual Markdown hosts, which the guide's links are written for:
// lower case, spaces to hyphens, other punctuation dropped.
QString Slug(const QString& heading) {
  QString slug;
  for (const QChar c : heading.toLower()) {
    if (c.isLetterOrNumber() || c == u'-' || c == u'_')
      slug += c;
    else if (c == u' ')
      slug += u'-';
  }
  return slug;
}

bool IsHeading(const QTextBlock& block) {
  return block.blockFormat().headingLevel() > 0;
}

void AnchorHeadings(QTextDocument& doc) {
  doc.setUndoRedoEnabled(false);
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (!IsHeading(b)) continue;
    QTextCursor cursor(b);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat anchor;
    anchor.setAnchor(true);
    anchor.setAnchorNames({Slug(b.text())});
    cursor.mergeCharFormat(anchor);
  }
}

bool ShowsPicture(const QTextBlock& block, const QString& fileName) {
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextCharFormat f = it.fragment().charFormat();
    if (f.isImageFormat() && QFileInfo(f.toImageFormat().name()).fileName() == fileName)
      return true;
  }
  return false;
}
}  // namespace

QString THelpWindow::GuidePath() {
  const QDir programDir(QCoreApplication::applicationDirPath());
  for (const char* relative : {"../share/quarvin/anleitung/anleitung.md", "docs/anleitung.md"}) {
    const QString path = programDir.absoluteFilePath(QString::fromUtf8(relative));
    if (QFileInfo::exists(path)) return QDir::cleanPath(path);
  }
  return {};
}

THelpWindow::THelpWindow(const QString& path, QWidget* parent) : QTextBrowser(parent) {
  setWindowFlag(Qt::Window);
  setWindowTitle(QStringLiteral("Quarvin – Anleitung"));
  setOpenExternalLinks(true);
  resize(820, 720);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
}

void THelpWindow::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  QTextBrowser::doSetSource(name, type);
  AnchorHeadings(*document());
  if (name.hasFragment()) ScrollTo(name.fragment());
}

bool THelpWindow::ShowPanelSection(const QString& deviceName) {
  const QString picture = QStringLiteral("panel_%1.png").arg(deviceName);
  QTextBlock heading;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (IsHeading(b))
      heading = b;
    else if (heading.isValid() && ShowsPicture(b, picture)) {
      ScrollTo(Slug(heading.text()));
      return true;
    }
  }
  return false;
}

// The layout goes on in steps after the window shows; an anchor's place is known once everything
// before it is laid out.
void THelpWindow::ScrollTo(const QString& anchor) {
  document()->documentLayout()->documentSize();
  scrollToAnchor(anchor);
}
