#include "tests/app/test_support.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include "core/files/translation_setup.h"
#include "core/text/translation.h"

namespace quorlix::testing {
namespace {

// The window tests check the engine's messages in German, the language
// they have always been shown in, with the build's catalogues; the windows'
// own texts stay English (no Qt translator is installed) unless a test
// installs one. Runs once the application exists, which sets the locale.
void UseGermanMessages() {
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  ::unsetenv("LANGUAGE");
  InitTranslations(QUORLIX_BUILD_LOCALE_DIR);
}
Q_COREAPP_STARTUP_FUNCTION(UseGermanMessages)

}  // namespace

QString Caption(const QString& progress) {
  return QString::fromUtf8(Tr("Working")) + QStringLiteral("   ") + progress;
}

std::string ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

void WriteBytes(const QString& path, std::string_view bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    qFatal("cannot write %s", qPrintable(path));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

WindowFixture::WindowFixture() {
  MainWindowServices services;
  services.file_dialogs = &dialogs;
  services.color_picker = &picker;
  services.messages = &messages;
  services.unsaved_edits = &unsaved_edits;
  services.config_path = QFile::encodeName(Path("config.cfg")).toStdString();
  services.temp_dir = QFile::encodeName(Path("cache")).toStdString();
  services.settings_file = Path("quorlix.ini");
  window = std::make_unique<MainWindow>(services);
  window->working_windows().set_min_interval_ms(0);
  // Shown and laid out, so that clicks land on the controls.
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) qFatal("main window not exposed");
}

}  // namespace quorlix::testing
