// The Working window (its frame, its captions, the rate at which they are
// put on screen) and the About window.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/about_window.h"
#include "app/working_window.h"
#include "core/text/version.h"
#include "tests/app/test_support.h"

namespace quorlix::testing {

class SecondaryWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void WorkingWindowIsATitleBarOnly() {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    WorkingWindowQt window(&owner, 0);
    QCOMPARE(window.windowTitle(), QString("Working"));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    for (Qt::WindowType hint : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint,
                                Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint}) {
      QVERIFY(!flags.testFlag(hint));
    }
    // A fixed size, the title bar only, wide enough for a caption of two
    // ten-digit counts in a bold title font.
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.height(), 5);
    QFont title = QApplication::font();
    title.setBold(true);
    QVERIFY(window.width() >
            QFontMetrics(title).horizontalAdvance("Working   9999999999 / 9999999999"));
    QVERIFY(window.width() >= 251);

    QVERIFY(!window.IsActive());
    window.Show();
    QVERIFY(window.IsActive());
    // Centred over the owner, give or take the frame.
    QVERIFY((window.geometry().center() - owner.frameGeometry().center()).manhattanLength() <= 6);
    // The user cannot close it; its caller can.
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    window.Close();
    QVERIFY(!window.isVisible());
    QVERIFY(!window.IsActive());
  }

  void EveryCaptionShownWithoutInterval() {
    WorkingWindowQt window(nullptr, 0);
    window.Show();
    QSignalSpy titles(&window, &QWidget::windowTitleChanged);
    for (const char* caption : {"Working   1 / 3", "Working   2 / 3", "Working   3 / 3"}) {
      window.SetCaption(caption);
      QCOMPARE(window.windowTitle(), QString(caption));
    }
    QCOMPARE(titles.size(), 3);
  }

  void CaptionsShownAtMostOncePerInterval() {
    WorkingWindowQt window(nullptr, 60'000);
    window.Show();
    QSignalSpy titles(&window, &QWidget::windowTitleChanged);
    std::string caption;
    for (int i = 0; i <= 100'000; ++i) {
      FormatProgressCaption(i, 100'000, caption);
      window.SetCaption(caption);
    }
    // The first caption goes out at once, the rest wait for the interval.
    QCOMPARE(titles.size(), 1);
    QCOMPARE(window.windowTitle(), Caption("0 / 100000"));
    QCOMPARE(window.latest_caption(), Caption("100000 / 100000"));
    window.FlushCaption();
    QCOMPARE(window.windowTitle(), Caption("100000 / 100000"));
    window.FlushCaption();
    QCOMPARE(titles.size(), 2);
  }

  void CaptionsKeepTheirBytes() {
    WorkingWindowQt window(nullptr, 0);
    window.SetCaption("Working   \xe9");
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Working   \xc3\xa9"));
  }

  void AboutWindowShowsTheVersion() {
    for (int opening = 0; opening < 2; ++opening) {  // a fresh window each time
      QWidget owner;
      AboutWindow about(&owner);
      QCOMPARE(about.windowTitle(), QString("About"));
      QVERIFY(about.isModal());
      const std::pair<const char*, QString> labels[] = {
          {"Label1", "Quorlix Version " + QString::fromStdString(GetExeVersion())},
          {"Label5", "Please report all errors you find to"},
          {"Label7", "Include your logfile and a brief description"},
          {"Label8", "of the error and how it happened."}};
      for (const auto& [name, text] : labels) {
        auto* label = about.findChild<QLabel*>(name);
        QVERIFY2(label != nullptr, name);
        QCOMPARE(label->text(), text);
      }
      for (const char* name : {"Label2", "Label3", "Label4", "Label6"}) {
        auto* label = about.findChild<QLabel*>(name);
        QVERIFY2(label != nullptr && !label->text().isEmpty(), name);
      }
      auto* close = about.findChild<QPushButton*>("bt_close");
      QVERIFY(close != nullptr);
      QCOMPARE(close->text(), QString("&Close"));
      about.show();
      QVERIFY(QTest::qWaitForWindowExposed(&about));
      close->click();
      QVERIFY(!about.isVisible());
      QCOMPARE(about.result(), int(QDialog::Accepted));
    }
  }
};

}  // namespace quorlix::testing

QTEST_MAIN(quorlix::testing::SecondaryWindowsTest)
#include "secondary_windows_test.moc"
