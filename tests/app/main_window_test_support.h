// What the main window's tests share: the helpers that drive its controls
// and the small logs they load.
#pragma once

#include <string_view>

#include <QAction>
#include <QCheckBox>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QTabWidget>
#include <QTest>

#include "tests/app/test_support.h"

namespace quorlix::testing {

// The road of one line: accepted, converted with the channel name, and
// saved with the footer, every line ending in CR LF. A Latin-1 byte
// (0xFC) must come back as the same single byte.
inline constexpr std::string_view kOneLineLog =
    "[\"1\",\"Clan\",\"Bob\",1104635045]Hi <font color=#ff0000>red</font> gr\xfc\xdf\n";
inline constexpr std::string_view kOneLineSaved =
    "[b][Clan][/b] Bob: Hi [color=#ff0000]red[/color] gr\xfc\xdf\r\n"
    "\r\n"
    "Created using [url=\"https://quorlix.example.org/\"]The Quorlix[/url]\r\n";

// Three lines, the second without a header.
inline constexpr std::string_view kThreeLineLog =
    "[\"1\",\"Clan\",\"Bob\",1104635045]one\n"
    "no header here\n"
    "[\"2\",\"OOC\",\"Ann\",1104721445]three\n";

// The main window's test classes derive from this one for its helpers.
class MainWindowTestBase : public QObject {
 protected:
  // A click on the box itself: the widget may be wider than box and text.
  static void Click(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
  QAction* Action(WindowFixture& f, const char* name) { return Find<QAction>(f, name); }
  bool Enabled(WindowFixture& f, const char* name) { return Find<QWidget>(f, name)->isEnabled(); }
  QString ShownPage(WindowFixture& f) {
    auto* pages = Find<QTabWidget>(f, "PageControl1");
    return pages->tabText(pages->currentIndex());
  }
  // Loads `bytes` as the file `name` through the open dialog.
  void LoadLog(WindowFixture& f, std::string_view bytes, const QString& name = "chat.log") {
    WriteBytes(f.Path(name), bytes);
    f.dialogs.open_name = f.Path(name);
    Find<QPushButton>(f, "tb_load")->click();
  }
  // (bt_convert, Convert1, bt_save, Save1) enabled, as a string "1100".
  QString CommandStates(WindowFixture& f) {
    QString s;
    for (bool on : {Enabled(f, "bt_convert"), Action(f, "Convert1")->isEnabled(),
                    Enabled(f, "bt_save"), Action(f, "Save1")->isEnabled()}) {
      s += on ? '1' : '0';
    }
    return s;
  }
};

}  // namespace quorlix::testing
