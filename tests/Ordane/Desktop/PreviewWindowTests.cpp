#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include "Ordane/Desktop/PreviewWindow.hpp"
#include "Ordane/Screens/ScreenFixture.hpp"
#include "Support/DocumentFixtures.hpp"

namespace ordane::testing {
namespace {

using PreviewWindowTest = ScreenTest;

TEST_F(PreviewWindowTest, ShowsPicturesPdfPagesTextOrASummaryThatOpensTheFile) {
    const QString picture = QString::fromStdString(homePath("Pictures/dot.png"));
    QImage dot(30, 20, QImage::Format_RGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(picture));
    const std::string pdf = homePath("Documents/letter.pdf");
    writeTextPdf(pdf, {{"Dear Ann,"}});
    const std::string text = homePath("Documents/notes.txt");
    writeFile(text, std::string(70'000, 'a'));
    const std::string locked = homePath("Documents/locked.pdf");
    writeLockedPdf(locked, {{"secret"}});
    const std::string other = homePath("Downloads/archive.bin");
    writeFile(other, std::string("\x00\x01\x02", 3));

    EXPECT_EQ(PreviewWindow::textOf(QString::fromStdString(text))->size(), 64 * 1024);

    struct Case { std::string path; PreviewWindow::Shows shows; };
    for (const Case& c : {Case{picture.toStdString(), PreviewWindow::Shows::image},
                          Case{pdf, PreviewWindow::Shows::image}, Case{text, PreviewWindow::Shows::text},
                          Case{locked, PreviewWindow::Shows::summary}, Case{other, PreviewWindow::Shows::summary}}) {
        PreviewWindow window(QString::fromStdString(c.path));
        EXPECT_EQ(window.shows(), c.shows) << c.path;
    }
    PreviewWindow summary(QString::fromStdString(other));
    auto* open = summary.findChild<QPushButton*>();
    ASSERT_NE(open, nullptr);
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].toLocalFile().toStdString(), other);
}

// The real preview opens centred over the window it was asked from and closes with each of the keys.
TEST_F(PreviewWindowTest, OpensCentredOverTheMainWindowAndClosesWithEscapeSpaceOrCtrlW) {
    const std::string text = homePath("Documents/notes.txt");
    writeFile(text, "a few words");
    QWidget main;
    main.setGeometry(50, 20, 720, 580);
    main.show();
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Space),
                                    QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(key.toString().toStdString());
        bool closed = false;
        DesktopServices real;
        real.preview(QString::fromStdString(text), &main, [&] { closed = true; });
        PreviewWindow* window = nullptr;
        for (QWidget* shown : QApplication::topLevelWidgets()) {
            if (shown->isVisible() && qobject_cast<PreviewWindow*>(shown)) window = qobject_cast<PreviewWindow*>(shown);
        }
        ASSERT_TRUE(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        // Within a frame's width: the frame is not known before the window is first shown.
        EXPECT_LE((window->frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 8);
        QTest::keySequence(window, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
    }
}

// Only opening is recorded: reveal itself runs for real and, with no file manager on the bus,
// falls back to opening the folder that holds the file.
class OpeningRecorder : public DesktopServices {
public:
    void openUrl(const QUrl& url) override { opened.push_back(url); }
    std::vector<QUrl> opened;
};

TEST_F(PreviewWindowTest, RevealWithoutAFileManagerOpensTheContainingFolder) {
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    OpeningRecorder recorder;
    DesktopServices::setCurrent(&recorder);
    recorder.reveal(QStringLiteral("/h/Documents/Taxes/return.pdf"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorder.opened.empty(); }, 10000));
    EXPECT_EQ(recorder.opened[0], QUrl::fromLocalFile(QStringLiteral("/h/Documents/Taxes")));
    DesktopServices::setCurrent(&desktop);
}

}  // namespace
}  // namespace ordane::testing
