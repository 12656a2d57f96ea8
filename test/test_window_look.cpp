// How the window layer looks and asks: picture buttons, a disabled control
// next to a locked form, and the order and language of the message boxes'
// buttons.
#include "platform/application.h"
#include "platform/notice.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Where the picture's opaque pixels stand unchanged in the grab, as the
// offset of the picture's top-left corner; none when no offset fits.
std::vector<QPoint> PlacesOf(const QImage& picture, const QImage& grab)
{
    std::vector<QPoint> found;
    for (int dy = -picture.height(); dy < grab.height(); ++dy)
        for (int dx = -picture.width(); dx < grab.width(); ++dx) {
            int compared = 0;
            bool same = true;
            for (int y = 0; y < picture.height() && same; ++y)
                for (int x = 0; x < picture.width() && same; ++x) {
                    const QPoint at(x + dx, y + dy);
                    // The outermost ring of the grab is the button's bevel.
                    if (at.x() < 1 || at.y() < 1 || at.x() >= grab.width() - 1 || at.y() >= grab.height() - 1
                        || qAlpha(picture.pixel(x, y)) != 255)
                        continue;
                    ++compared;
                    same = (grab.pixel(at) & 0xFFFFFF) == (picture.pixel(x, y) & 0xFFFFFF);
                }
            if (same && compared > picture.width() * picture.height() / 2) found.push_back({dx, dy});
        }
    return found;
}

TEST(PictureButton, ShowsItsPictureAtItsOwnSizeCentredAndCutOffByTheFace)
{
    kv::Form form;
    form.ClientSize(3000, 3000);
    kv::CommandButton start(form);
    start.Move(0, 0, 615, 495);   // 41 x 33 pixels for a 38 x 37 picture
    start.Picture("btn_start");
    kv::CommandButton wide(form);
    wide.Move(0, 600, 1125, 720);   // 75 x 48 pixels for a 76 x 46 picture
    wide.Picture("btn_fc");

    for (auto [button, name] : {std::pair{&start, "btn_start"}, {&wide, "btn_fc"}}) {
        SCOPED_TRACE(name);
        const QImage picture = QImage(QStringLiteral(":/art/%1.png").arg(QLatin1String(name)))
                                   .convertToFormat(QImage::Format_ARGB32);
        const QImage grab = button->Widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(picture.isNull());
        const std::vector<QPoint> places = PlacesOf(picture, grab);
        ASSERT_EQ(places.size(), 1u);
        // Centred: the margins on either side differ by at most a pixel.
        const QPoint at = places[0];
        EXPECT_LE(std::abs(2 * at.x() + picture.width() - grab.width()), 1);
        EXPECT_LE(std::abs(2 * at.y() + picture.height() - grab.height()), 1);
    }
}

TEST(Disabling, AControlLooksDisabledALockedFormDoesNot)
{
    kv::Form form;
    form.ClientSize(3000, 3000);
    kv::CommandButton end(form);
    end.Move(0, 0, 1095, 480);
    end.Caption("END");
    form.Show();
    auto look = [&] { return end.Widget()->grab().toImage(); };
    const QImage enabled = look();

    form.Enabled(false);
    EXPECT_FALSE(form.Enabled());
    EXPECT_TRUE(end.Enabled());
    EXPECT_EQ(look(), enabled);
    form.Enabled(true);

    end.Enabled(false);
    EXPECT_FALSE(end.Enabled());
    EXPECT_NE(look(), enabled);
}

// Runs `show`, which opens a message box, reads the box's buttons left to
// right and presses the one captioned `press`.
struct BoxSeen {
    std::vector<std::string> buttons;
    std::string defaultButton;
};

BoxSeen Answer(const char* press, const std::function<void()>& show)
{
    BoxSeen seen;
    QTimer::singleShot(0, [&seen, press] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [box](QPushButton* a, QPushButton* b) {
            return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
        });
        QPushButton* pressed = nullptr;
        for (QPushButton* b : buttons) {
            seen.buttons.push_back(b->text().toStdString());
            if (b->isDefault()) seen.defaultButton = seen.buttons.back();
            if (seen.buttons.back() == press) pressed = b;
        }
        if (pressed) pressed->click();
        else box->close();
    });
    show();
    return seen;
}

// In the platform's order and in the desktop's language, English or Japanese.
TEST(MessageBoxes, ButtonsStandInThePlatformsOrderAndLanguage)
{
    kv::SetResponder(nullptr);
    struct Desktop {
        const char* locale;
        std::vector<std::string> notice, question;
    };
    const Desktop desktops[] = {
        {"en_US.UTF-8", {"Cancel", "Try Again", "Continue"}, {"&Yes", "&No"}},
        {"ja_JP.UTF-8", {"キャンセル", "再試行", "続行"}, {"はい(&Y)", "いいえ(&N)"}},
    };
    for (const Desktop& d : desktops) {
        SCOPED_TRACE(d.locale);
        kv::UseLanguage(d.locale);
        const BoxSeen notice = Answer(d.notice[2].c_str(), [] { kv::Notice("設定が正しくありません"); });
        EXPECT_EQ(notice.buttons, d.notice);
        EXPECT_EQ(notice.defaultButton, d.notice[0]);

        for (bool yes : {true, false}) {
            bool answer = !yes;
            const BoxSeen question =
                Answer(d.question[yes ? 0 : 1].c_str(), [&] { answer = kv::Question("上書きしますか？"); });
            EXPECT_EQ(question.buttons, d.question);
            EXPECT_EQ(question.defaultButton, d.question[0]);
            EXPECT_EQ(answer, yes);
        }
    }
    kv::UseLanguage();
}

} // namespace
