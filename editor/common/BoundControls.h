#pragma once

// Makes a window's bound controls from the parameter table: kind, range, items, value
// text, captions, hint and binding all come from the table's row, the place from the
// window's layout. Keeps them by name for retargeting and lookups.

#include <map>
#include <string>
#include <string_view>

#include "td7/map/ParameterTable.h"
#include "td7/map/Retarget.h"

class QWidget;
class QLabel;

namespace midilink {
class TMidiLink;
}

namespace controls {
class TBoundControl;
}

namespace td7 {
class TEditHistory;
class TTd7Collections;
}  // namespace td7

namespace editor {

struct TRect;
struct TControlPlace;

class TBoundControls {
  public:
    // With a history, every user change of a control made here becomes an undo step.
    TBoundControls(td7::TTd7Collections& collections, midilink::TMidiLink* link,
                   td7::TEditHistory* history = nullptr);
    TBoundControls(const TBoundControls&) = delete;
    TBoundControls& operator=(const TBoundControls&) = delete;

    // Creates the control of the row on parent at the place, with its label (and, for an
    // up-down, its display field) beside it. Returns the control.
    QWidget* Create(const td7::TParameter& parameter, const TControlPlace& place, QWidget* parent);

    // The control of a name, or nullptr.
    QWidget* Widget(std::string_view name) const;
    controls::TBoundControl* Control(std::string_view name) const;
    template <class T>
    T* As(std::string_view name) const {
        return dynamic_cast<T*>(Widget(name));
    }
    // Labels, and the display field of an up-down, by the name of their control.
    QLabel* Label(std::string_view name) const;
    QWidget* Associate(std::string_view name) const;

    // Rewrites a2 a3 of every template of the panel.
    void Retarget(td7::PanelId panel, td7::Selection selection);

    // Every control made, by name.
    const std::map<std::string, QWidget*, std::less<>>& All() const { return m_controls; }

  private:
    td7::TTd7Collections& m_collections;
    midilink::TMidiLink* m_link;
    td7::TEditHistory* m_history;
    std::map<std::string, QWidget*, std::less<>> m_controls;
    std::map<std::string, QLabel*, std::less<>> m_labels;
    std::map<std::string, QWidget*, std::less<>> m_associates;
};

// A widget placed at a layout rectangle.
void Place(QWidget* widget, const TRect& rect);

}  // namespace editor
