#include "shell/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The environment goes back as it was before the application object sets the C library's
// locale from it, so that only Qt's view changes.
void UseGermanLocale() {
  const char* name = "LC_ALL";
  const bool had = qEnvironmentVariableIsSet(name);
  const QByteArray before = qgetenv(name);
  qputenv(name, "de_DE.UTF-8");
  (void)QLocale::system();
  if (had)
    qputenv(name, before);
  else
    qunsetenv(name);
}

bool LoadGermanQtTexts(QCoreApplication& app) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_de"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
