#include "editor/common/WindowPlaces.h"

#include <algorithm>
#include <exception>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include "td7/settings/IniFile.h"

namespace editor {

namespace {

constexpr const char* kSection = "Windows";
constexpr int kGap = 8;  // between the main window and one beside it

// Moves box into area, made smaller where it is larger than the area (a window larger
// than the screen would hide its buttons; at a large scale factor the windows' own sizes
// are), so that all of it can be seen.
QRect Inside(QRect box, const QRect& area) {
    if (area.isEmpty()) return box;
    box.setWidth(std::min(box.width(), area.width()));
    box.setHeight(std::min(box.height(), area.height()));
    box.moveLeft(std::max(area.left(), std::min(box.left(), area.right() + 1 - box.width())));
    box.moveTop(std::max(area.top(), std::min(box.top(), area.bottom() + 1 - box.height())));
    return box;
}

QRect AvailableScreen(const QWidget& main) {
    if (const QScreen* screen = main.screen()) return screen->availableGeometry();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->availableGeometry();
    return {};
}

}  // namespace

QRect PlaceBeside(const QRect& main, QSize size, const QRect& screen) {
    const QRect right(main.right() + 1 + kGap, main.top(), size.width(), size.height());
    if (screen.isEmpty() || screen.contains(right)) return right;
    const QRect left(main.left() - kGap - size.width(), main.top(), size.width(), size.height());
    if (screen.contains(left)) return left;
    QRect centred(QPoint(), size);
    centred.moveCenter(main.center());
    return Inside(centred, screen);
}

std::optional<QRect> LoadWindowPlace(const std::filesystem::path& settingsFile,
                                     const std::string& key) {
    const auto text = td7::IniFile::Load(settingsFile).Value(kSection, key);
    if (!text) return std::nullopt;
    const QStringList parts = QString::fromStdString(*text).split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    int numbers[4];
    for (int k = 0; k < 4; ++k) {
        bool ok = false;
        numbers[k] = parts[k].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

void SaveWindowPlace(const std::filesystem::path& settingsFile, const std::string& key,
                     const QRect& place) {
    td7::IniFile ini = td7::IniFile::Load(settingsFile);
    ini.WriteString(kSection, key,
                    QStringLiteral("%1,%2,%3,%4")
                        .arg(place.left())
                        .arg(place.top())
                        .arg(place.width())
                        .arg(place.height())
                        .toStdString());
    ini.Save(settingsFile);
}

TWindowPlaces::TWindowPlaces(std::filesystem::path settingsFile, QWidget& main)
    : QObject(&main), m_settingsFile(std::move(settingsFile)), m_main(main) {
    m_main.installEventFilter(this);
}

void TWindowPlaces::Follow(QWidget& window, std::string key) {
    m_windows.push_back({&window, std::move(key), false});
    window.installEventFilter(this);
    if (window.isVisible()) Place(m_windows.back());
}

void TWindowPlaces::Place(Followed& followed) {
    followed.Placed = true;
    QWidget& window = *followed.Window;
    const QRect screen = AvailableScreen(m_main);
    // A place kept from another screen setup that is now off every screen is not used.
    const std::optional<QRect> kept = LoadWindowPlace(m_settingsFile, followed.Key);
    if (kept && (screen.isEmpty() || screen.intersects(*kept))) {
        window.setGeometry(screen.isEmpty() ? *kept : Inside(*kept, screen));
        return;
    }
    window.setGeometry(PlaceBeside(m_main.geometry(), window.size(), screen));
}

void TWindowPlaces::Keep(const Followed& followed) {
    // A place that cannot be written is only a place: the window opens beside the main
    // window next time.
    try {
        SaveWindowPlace(m_settingsFile, followed.Key, followed.Window->geometry());
    } catch (const std::exception&) {
    }
}

bool TWindowPlaces::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_main) {
        if (event->type() == QEvent::Close)
            for (const Followed& followed : m_windows)
                if (followed.Window && followed.Window->isVisible()) Keep(followed);
        return false;
    }
    for (Followed& followed : m_windows) {
        if (followed.Window != watched) continue;
        if (event->type() == QEvent::Show && !followed.Placed) Place(followed);
        if (event->type() == QEvent::Hide && followed.Placed) Keep(followed);
    }
    return false;
}

}  // namespace editor
