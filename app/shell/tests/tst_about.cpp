#include "shell/Scroll.h"
#include "shell/frmAbout.h"
#include "shell/frmSplash.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <cmath>

namespace {

QString Lines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i) {
        lines << QStringLiteral("Line %1").arg(i);
    }
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

// Catches the addresses the program hands to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("TMPDIR", m_home.path().toLocal8Bit());
    }

    // The text runs through completely, then comes in again at the bottom: on the first tick at which its bottom
    // edge was more than two steps above the top.
    void scrollWraps_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("lines");
        QTest::newRow("default speed, one line") << 50 << 1;
        QTest::newRow("about box speed, taller than the control") << 25 << 30;
        QTest::newRow("odd step") << 7 << 12;
    }
    void scrollWraps()
    {
        QFETCH(int, speed);
        QFETCH(int, lines);
        Scroll scroll;
        scroll.resize(200, 120);
        scroll.setSpeed(speed);
        scroll.setScrollText(Lines(lines));

        const float start = scroll.ControlHeight() - 2.0f * float(speed);
        QCOMPARE(scroll.LabelTop(), start);
        const float height = scroll.LabelHeight();
        QVERIFY(height > 0.0f);
        if (lines > 20) {
            QVERIFY(height > scroll.ControlHeight());
        }

        // Steps while the bottom edge is not yet past -2 * speed; the tick after the last of them restarts.
        const int steps = int(std::floor((start + height + 2.0f * float(speed)) / float(speed))) + 1;
        for (int i = 1; i <= steps; ++i) {
            scroll.tmScroll_Timer();
            QCOMPARE(scroll.LabelTop(), start - float(i * speed));
        }
        QVERIFY(scroll.LabelTop() + height < -2.0f * float(speed));
        QVERIFY(scroll.LabelTop() + float(speed) + height >= -2.0f * float(speed));
        scroll.tmScroll_Timer();
        QCOMPARE(scroll.LabelTop(), start);
        scroll.tmScroll_Timer();
        QCOMPARE(scroll.LabelTop(), start - float(speed));
    }

    void scrollTextRestartsAtBottom()
    {
        Scroll scroll;
        scroll.resize(200, 120);
        scroll.setScrollText(Lines(3));
        for (int i = 0; i < 5; ++i) {
            scroll.tmScroll_Timer();
        }
        QVERIFY(scroll.LabelTop() < scroll.ControlHeight() - 100.0f);
        scroll.setScrollText(Lines(4));
        QCOMPARE(scroll.LabelTop(), scroll.ControlHeight() - 100.0f);
        QCOMPARE(scroll.ScrollText(), Lines(4));
        // Every line is on the label.
        QCOMPARE(scroll.findChild<QLabel*>(QStringLiteral("lblText"))->text().count(u'\n'), 3);
    }

    void speedZeroStands()
    {
        Scroll scroll;
        scroll.resize(200, 120);
        scroll.setScrollText(Lines(2));
        scroll.setSpeed(0);
        const float top = scroll.LabelTop();
        for (int i = 0; i < 50; ++i) {
            scroll.tmScroll_Timer();
        }
        QCOMPARE(scroll.LabelTop(), top);
    }

    void alignment_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("flag");
        QTest::newRow("left") << 0 << int(Qt::AlignLeft);
        QTest::newRow("right") << 1 << int(Qt::AlignRight);
        QTest::newRow("centred") << 2 << int(Qt::AlignHCenter);
    }
    void alignment()
    {
        QFETCH(int, alignment);
        QFETCH(int, flag);
        Scroll scroll;
        scroll.resize(301, 120);
        scroll.setScrollText(Lines(3));
        const float top = scroll.LabelTop();
        QVERIFY(scroll.setProperty("Alignment", alignment));
        QCOMPARE(scroll.property("Alignment").toInt(), alignment);
        auto* label = scroll.findChild<QLabel*>(QStringLiteral("lblText"));
        QVERIFY(label->alignment() & Qt::Alignment(flag));
        const auto half = [](float twips) { return float(std::lround(twips) / 2); };
        QCOMPARE(scroll.LabelLeft(), alignment == 2 ? half(scroll.ControlWidth()) - half(scroll.LabelWidth()) : 0.0f);
        // Centred lines sit in the middle of the control: the label spans it.
        QVERIFY(scroll.LabelLeft() + scroll.LabelWidth() <= scroll.ControlWidth() + 15.0f);
        QCOMPARE(scroll.LabelTop(), top);
    }

    void timerMovesText()
    {
        Scroll scroll;
        scroll.resize(200, 120);
        scroll.setScrollText(Lines(2));
        const float top = scroll.LabelTop();
        QTRY_VERIFY_WITH_TIMEOUT(scroll.LabelTop() <= top - 100.0f, 30000);
        QCOMPARE(std::fmod(top - scroll.LabelTop(), 50.0f), 0.0f);
    }

    void aboutBoxLoads()
    {
        frmAbout dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Vidsora"));
        QCOMPARE(dlg.findChild<QGroupBox*>(QStringLiteral("fraSplash"))->title(),
                 QStringLiteral("Vidsora: Personal version 3.3.25 - Beta"));
        auto* scroll = dlg.findChild<Scroll*>(QStringLiteral("ctlScroll"));
        QVERIFY(scroll);
        QCOMPARE(scroll->Speed(), 25);
        QCOMPARE(scroll->Alignment(), 2);
        const QStringList credits = scroll->ScrollText().split(QStringLiteral("\r\n"));
        QCOMPARE(credits.size(), 15);
        QCOMPARE(credits.first(), QStringLiteral("Special thanks to"));
        QCOMPARE(credits.at(9), QStringLiteral("All other beta testers"));
        QVERIFY(credits.at(13).isEmpty());
        QVERIFY(!credits.last().isEmpty());
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("lblVisit"))->text(),
                 QStringLiteral("For the latest upgrades, news and reviews, visit us at"));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(), QStringLiteral("&Ok"));

        // The credits start just above the bottom of the scroll control as the box opens.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(scroll->LabelTop() <= scroll->ControlHeight());
        QVERIFY(scroll->LabelTop() >= scroll->ControlHeight() - 200.0f);
        // Each line sits in the middle of the control, as laid out for the shown box.
        auto* label = scroll->findChild<QLabel*>(QStringLiteral("lblText"));
        QCOMPARE(label->x(), 0);
        QCOMPARE(label->width(), scroll->width());
        QVERIFY(label->alignment() & Qt::AlignHCenter);
    }

    // The box shows a picture of its own, not the splash window's with its "Loading the collection...", and no word
    // in it speaks of loading.
    void ownPictureNoLoading()
    {
        frmAbout dlg;
        auto* picture = dlg.findChild<QLabel*>(QStringLiteral("imgAbout"));
        QVERIFY(picture);
        const QImage shown = picture->pixmap().toImage();
        QVERIFY(!shown.isNull());
        QCOMPARE(shown, frmAbout::Picture().toImage());
        const QImage splash =
            frmSplash::Picture().scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage();
        QVERIFY(shown.convertToFormat(QImage::Format_RGB32) != splash.convertToFormat(QImage::Format_RGB32));

        QStringList texts{dlg.windowTitle(), dlg.findChild<Scroll*>(QStringLiteral("ctlScroll"))->ScrollText()};
        for (const QLabel* label : dlg.findChildren<QLabel*>()) {
            texts << label->text();
        }
        for (const QGroupBox* box : dlg.findChildren<QGroupBox*>()) {
            texts << box->title();
        }
        for (const QPushButton* button : dlg.findChildren<QPushButton*>()) {
            texts << button->text();
        }
        for (const QString& text : std::as_const(texts)) {
            QVERIFY2(!text.contains(QStringLiteral("Loading"), Qt::CaseInsensitive), qPrintable(text));
        }
    }

    void linkOpensSite()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
        frmAbout dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* link = dlg.findChild<QLabel*>(QStringLiteral("lblDVDOrbel"));
        QCOMPARE(link->text(), QUrl(frmAbout::SiteAddress()).host());
        // A press that ends outside the label is no click.
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        QVERIFY(catcher.urls.isEmpty());
        QTest::mouseClick(link, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls.first(), QUrl(frmAbout::SiteAddress()));
        QCOMPARE(catcher.urls.first().scheme(), QStringLiteral("https"));
        QVERIFY(dlg.isVisible());
    }

    // The main window opens the box modally and waits until OK.
    void okClosesModalBox()
    {
        QWidget owner;
        owner.show();
        frmAbout dlg(&owner);
        bool wasModal = false;
        QTimer::singleShot(50, &dlg, [&] {
            wasModal = QApplication::activeModalWidget() == &dlg;
            QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        QTimer::singleShot(3000, &dlg, [&] { dlg.reject(); });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(wasModal);
        QVERIFY(!dlg.isVisible());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
