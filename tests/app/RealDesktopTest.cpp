// The real program on a real desktop shell (GNOME Shell and KDE Plasma on X11 and on Wayland,
// Cinnamon, MATE's caja), each run by desktop-fixture.sh for this test alone. The screen is
// sampled while the program changes the wallpaper: every change must reach the screen, and no
// frame may show a third picture (the desktop's default, black, or the old picture back after
// the new one began). A cross-fade from the old picture to the new one is what desktops do.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPoint>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/app/ProgramUnderTest.h"
#include "tests/app/ScreenReader.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Frame {
    Clock::time_point at;
    std::vector<QColor> colours;
};

// Reads the points every 10 ms on X11 (single pixels of the root window), as often as the
// shell's screenshot call allows on Wayland; on a thread and connection of its own. A frame is
// stamped when its reading has ended, since a screenshot may show any moment of its call: what
// it shows is never newer than its stamp, and an older picture is the one the change replaces.
class ScreenSampler {
public:
    explicit ScreenSampler(std::vector<QPoint> points)
        : reader(ScreenReader::ForSession()), points(std::move(points)) {
        thread = std::thread([this] { Run(); });
        // A screenshot takes a while: the first frame is there before anyone asks for it.
        WaitUntil([this] { return Latest().has_value(); });
    }
    ~ScreenSampler() {
        stopping = true;
        thread.join();
    }
    ScreenSampler(const ScreenSampler&) = delete;
    ScreenSampler& operator=(const ScreenSampler&) = delete;

    std::vector<Frame> Frames() const {
        const std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
    std::optional<Frame> Latest() const {
        const std::lock_guard<std::mutex> lock(mutex);
        return frames.empty() ? std::nullopt : std::optional<Frame>(frames.back());
    }

private:
    void Run() {
        while (!stopping) {
            std::vector<QColor> colours = reader->Colours(points);
            Frame frame{Clock::now(), std::move(colours)};
            if (frame.colours.size() == points.size()) {
                const std::lock_guard<std::mutex> lock(mutex);
                frames.push_back(std::move(frame));
            }
            std::this_thread::sleep_for(10ms);
        }
    }

    const std::unique_ptr<ScreenReader> reader;
    std::vector<QPoint> points;
    mutable std::mutex mutex;
    std::vector<Frame> frames;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

// Bright colours: no blend of two of them comes near black, a desktop's dark default or a third.
const std::vector<QColor> kColours{{230, 70, 60},  {70, 190, 80},   {240, 210, 60},
                                   {90, 200, 230}, {220, 110, 210}, {250, 150, 40}};

double Distance(const QColor& a, const QColor& b) {
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

// Where `colour` lies between `from` (0) and `to` (1), and how far it is off that line.
std::pair<double, double> BlendOf(const QColor& colour, const QColor& from, const QColor& to) {
    const double d[3] = {double(to.red() - from.red()), double(to.green() - from.green()),
                         double(to.blue() - from.blue())};
    const double c[3] = {double(colour.red() - from.red()), double(colour.green() - from.green()),
                         double(colour.blue() - from.blue())};
    const double length = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double t = std::clamp((c[0] * d[0] + c[1] * d[1] + c[2] * d[2]) / length, 0.0, 1.0);
    const double off = std::hypot(c[0] - t * d[0], c[1] - t * d[1], c[2] - t * d[2]);
    return {t, off};
}

// A frame without points shows nothing: "every point" of none would hold for any picture.
bool Shows(const Frame& frame, const QColor& colour) {
    return !frame.colours.empty() &&
           std::all_of(frame.colours.begin(), frame.colours.end(),
                       [&](const QColor& seen) { return Distance(seen, colour) < 12; });
}

// What the frames from one request to the next showed.
struct ChangeOutcome {
    bool shown = false;
    std::chrono::milliseconds untilShown{};
    int framesOfAnotherPicture = 0;
    QColor firstWrongColour;
};

// The frames from `asked` to `until`. Each point may only move from the old colour towards the
// new one: off the line between them is another picture, a step back is the old one returning.
ChangeOutcome Judge(const std::vector<Frame>& frames, Clock::time_point asked,
                    Clock::time_point until, const QColor& from, const QColor& to) {
    ChangeOutcome outcome;
    std::vector<double> progress(frames.empty() ? 0 : frames.front().colours.size(), 0.0);
    for (const Frame& frame : frames) {
        if (frame.at < asked || frame.at >= until) {
            continue;
        }
        bool wrong = false;
        for (std::size_t point = 0; point < frame.colours.size(); ++point) {
            const auto [t, off] = BlendOf(frame.colours[point], from, to);
            wrong = wrong || off > 40 || t < progress[point] - 0.3;
            progress[point] = std::max(progress[point], t);
        }
        if (wrong && outcome.framesOfAnotherPicture++ == 0) {
            outcome.firstWrongColour = frame.colours.front();
        }
        if (!outcome.shown && Shows(frame, to)) {
            outcome.shown = true;
            outcome.untilShown =
                std::chrono::duration_cast<std::chrono::milliseconds>(frame.at - asked);
        }
    }
    return outcome;
}

// A grid over the screen; the points that show the program's first picture are kept, which
// leaves out panels, notifications and the program's own window.
std::vector<QPoint> Grid() {
    std::vector<QPoint> points;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 6; ++row) {
            points.emplace_back(1280 * (2 * column + 1) / 16, 800 * (2 * row + 1) / 12);
        }
    }
    return points;
}

class RealDesktopTest : public testing::Test {
protected:
    void SetUp() override {
        for (std::size_t index = 0; index < kColours.size(); ++index) {
            QImage image(640, 400, QImage::Format_RGB32);
            image.fill(kColours[index]);
            images << pictures.filePath(QStringLiteral("picture-%1.png").arg(index));
            ASSERT_TRUE(image.save(images.back()));
        }
        program.WriteSettingsFile(QStringLiteral("settings.info"), SettingsInfo(false, false, 2));
        program.WriteSettingsFile(QStringLiteral("sources.info"), SourcesInfo(images, 2));
        program.WriteSettingsFile(QStringLiteral("current_algorithm.txt"), "Normal");
    }

    bool Next() {
        const CommandResult next = program.Run({QStringLiteral("--next")});
        return next.exitCode == 0 && next.errors.isEmpty();
    }

    QString Desktop() const { return qEnvironmentVariable("XDG_CURRENT_DESKTOP"); }

    ProgramUnderTest program;
    QTemporaryDir pictures;
    QStringList images;
};

TEST_F(RealDesktopTest, EveryChangeIsShownWithoutAFrameOfAnotherPicture) {
    program.Start();
    ASSERT_TRUE(WaitFor([&] { return program.IsReachable(); }));

    // Where no tray takes the program in, its window comes up by itself after a while: up from
    // the start, it stays out of the points chosen below.
    ASSERT_EQ(program.Run({QStringLiteral("--show")}).exitCode, 0);

    // The first picture, from whatever the desktop showed at its start, picks the points.
    std::vector<QPoint> points;
    {
        ScreenSampler grid(Grid());
        ASSERT_TRUE(Next());
        ASSERT_TRUE(WaitFor([&] {
            const auto latest = grid.Latest();
            return latest && std::count_if(latest->colours.begin(), latest->colours.end(),
                                           [](const QColor& c) {
                                               return Distance(c, kColours[0]) < 12;
                                           }) >= 24;
        })) << Desktop().toStdString()
            << " never showed the first picture; the program said: "
            << program.StandardError(0).toStdString();
        std::this_thread::sleep_for(1s);
        const std::optional<Frame> settled = grid.Latest();
        ASSERT_TRUE(settled);
        const std::vector<QPoint> all = Grid();
        // Every third of them: enough to see any part of the screen go wrong, few enough for
        // one frame to take well under the sampling interval.
        for (std::size_t index = 0; index < all.size(); index += 3) {
            if (Distance(settled->colours[index], kColours[0]) < 12) {
                points.push_back(all[index]);
            }
        }
    }
    ASSERT_FALSE(points.empty()) << "no sampled point of " << Desktop().toStdString()
                                 << " still showed the first picture a second later";

    constexpr int kChanges = 12;
    ScreenSampler sampler(points);
    std::vector<Clock::time_point> asked;
    for (int change = 1; change <= kChanges; ++change) {
        const QColor& colour = kColours[change % kColours.size()];
        asked.push_back(Clock::now());
        ASSERT_TRUE(Next());
        WaitUntil(
            [&] {
                const std::optional<Frame> latest = sampler.Latest();
                return latest && Shows(*latest, colour);
            },
            10s);
        // Long enough for a late flash or a return of the old picture to be seen.
        std::this_thread::sleep_for(400ms);
    }
    asked.push_back(Clock::now());

    const std::vector<Frame> frames = sampler.Frames();
    int shown = 0;
    int framesOfAnotherPicture = 0;
    std::ostringstream untilShown;
    for (int change = 1; change <= kChanges; ++change) {
        const ChangeOutcome outcome =
            Judge(frames, asked[change - 1], asked[change],
                  kColours[(change - 1) % kColours.size()], kColours[change % kColours.size()]);
        shown += outcome.shown ? 1 : 0;
        framesOfAnotherPicture += outcome.framesOfAnotherPicture;
        untilShown << ' ' << (outcome.shown ? outcome.untilShown.count() : -1);
        EXPECT_TRUE(outcome.shown) << "change " << change;
        EXPECT_EQ(outcome.framesOfAnotherPicture, 0)
            << "change " << change << ", first wrong colour "
            << outcome.firstWrongColour.name().toStdString();
    }
    std::cout << Desktop().toStdString() << ": " << kChanges << " changes tried, " << shown
              << " shown, " << framesOfAnotherPicture << " frames of another picture in "
              << frames.size() << " frames at " << points.size()
              << " points; ms from request to fully shown:" << untilShown.str() << '\n';

    // Besides the five settings files and "wallpaper.bmp", at most the name shown and the one
    // before it.
    const QDir folder(program.SettingsFolder());
    const QStringList numbered = folder.entryList({QStringLiteral("wallpaper-*.bmp")});
    const QStringList all =
        folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    EXPECT_LE(numbered.size(), 2);
    EXPECT_EQ(all.size() - numbered.size(), 6) << all.join(QLatin1Char(' ')).toStdString();
}

}  // namespace
