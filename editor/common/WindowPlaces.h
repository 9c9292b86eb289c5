#pragma once

// Where the non-modal windows (library, compare) open. Without a window manager a new
// window opens at 0,0, over the main window's menu bar: the first time each opens beside
// the main window, or centred on it when the screen has no room beside it; after that
// where the user left it. The places are kept in tamboro.ini, section [Windows], one key a
// window, as "left,top,width,height".

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace editor {

// A window of `size` beside `main` (right, else left, top edges level), else centred on
// it and inside `screen`, smaller where it is larger than the screen.
QRect PlaceBeside(const QRect& main, QSize size, const QRect& screen);

// The place kept under `key`, none when there is none or it cannot be read.
std::optional<QRect> LoadWindowPlace(const std::filesystem::path& settingsFile,
                                     const std::string& key);
// Raises std::runtime_error when the file cannot be written.
void SaveWindowPlace(const std::filesystem::path& settingsFile, const std::string& key,
                     const QRect& place);

class TWindowPlaces : public QObject {
  public:
    TWindowPlaces(std::filesystem::path settingsFile, QWidget& main);

    // Places the window when it is first shown and keeps its place when it is hidden or
    // the main window closes.
    void Follow(QWidget& window, std::string key);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Followed {
        QPointer<QWidget> Window;
        std::string Key;
        bool Placed = false;
    };
    void Place(Followed& followed);
    void Keep(const Followed& followed);

    std::filesystem::path m_settingsFile;
    QWidget& m_main;
    std::vector<Followed> m_windows;
};

}  // namespace editor
