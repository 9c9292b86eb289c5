#pragma once

// Undo and redo of the user's changes to the mirror. A step remembers the records and bytes
// it changed (never a panel's template of the moment, which follows the selection), the
// messages that made the change in the module, and the present flags a command changed.
// Undo writes the old bytes back and sends what the original action would have sent with
// the old values; redo does the same with the new ones. Steps of commands that send nothing
// (loads, moves, exchanges) send nothing either way. With no output open, undo and redo
// change the mirror and send nothing, as an edit does.
//
// What the module sends is never undone: a record it sent ends the history at the newest
// step that changed that record or its present flag (that step and all older ones can no
// longer be undone), and the steps undone that would put it back cannot be redone.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "midilink/Types.h"
#include "td7/map/ParameterTable.h"
#include "td7/map/RecordCheck.h"
#include "td7/map/Retarget.h"
#include "td7/map/Td7Map.h"

namespace midilink {
class TMidiLink;
class TValueMidiCom;
}  // namespace midilink

namespace td7 {

class TPresentFlags;
class TTd7Collections;

// Where a step was made, so that undo can show it first: the record, and for a parameter
// the panel that shows it (the pedal's parameters live in the patch common record).
struct TEditPlace {
    Block Collection = Block::Prog;
    int Record = -1;  // -1: the block as a whole (instruments, system)
    std::optional<PanelId> Panel;
    friend bool operator==(const TEditPlace&, const TEditPlace&) = default;
};

// One parameter of one record set to a value in its control's units.
struct TParameterEdit {
    const TParameter* Parameter = nullptr;
    int Record = 0;  // in the parameter's collection
    std::int32_t Value = 0;
};

// One present flag a command changed: slots 0..31, then the instruments, then the system.
struct TFlagChange {
    int Flag = 0;
    bool Before = false, After = false;
};
inline constexpr int kInstrumentsFlag = kPatchCount;
inline constexpr int kSystemFlag = kPatchCount + 1;
// The flag that says whether record `record` of the block is held.
int FlagOfRecord(Block block, int record);

// An undo or redo changed the mirror, but a message to the module failed: the module did
// not get the change. The step has moved all the same, so it can be done again.
class EditSendError : public std::runtime_error {
  public:
    explicit EditSendError(const std::string& text) : std::runtime_error(text) {}
};

class TEditHistory {
  public:
    // Record bytes; a string keeps the one or two bytes of a parameter without allocating.
    using Bytes = std::basic_string<std::uint8_t>;
    // Bytes [At, At + size) of one record before and after, and the message that carried
    // the change to the module (none for whole records).
    struct Change {
        Block Collection = Block::Prog;
        int Record = 0;
        int At = 0;
        Bytes Before, After;
        std::string Command;      // a data-set template addressed to the record; empty: not sent
        std::string UndoCommand;  // the one undo sends, where it differs from Command
        std::int32_t SentBefore = 0, SentAfter = 0;
        midilink::TChecksumType Checksum = midilink::ctRoland;
        // A whole record's damage mark goes back and forth with its bytes (a command's).
        bool WholeRecord = false;
        std::optional<TDamagedRecords::TMark> MarkBefore, MarkAfter;
    };
    struct Step {
        std::string Label;                      // a command's; see Parameter
        const TParameter* Parameter = nullptr;  // a control's step: its label is made when asked
        TEditPlace Place;
        std::vector<Change> Changes;
        std::vector<TFlagChange> Flags;  // of a command; only those it changed
        const void* MergeKey = nullptr;  // the binding of a control's step
    };

    static constexpr int kDefaultLimit = 1000;

    TEditHistory(TTd7Collections& dumps, TPresentFlags& present, midilink::TMidiLink& link,
                 int limit = kDefaultLimit);
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    // A user's change through the bound control of `parameter`: the binding stores and
    // sends `value` as always, and the change becomes a step. Further changes of the same
    // binding on the same record join that step until EndMerge (another control used,
    // focus gone). A change that leaves the bytes as they were makes no step.
    void SetBinding(midilink::TValueMidiCom& binding, const TParameter& parameter,
                    std::int32_t value);

    // Parameters set as one step under `label` (a value taken from the compare window,
    // pasted settings): each one whose bytes change is stored, then sent as its control
    // would send it, addressed to its own record. Returns how many changed; none: no step.
    int SetParameters(std::string label, const std::vector<TParameterEdit>& edits);

    // Name characters: `command` runs the name field's own commit (which writes and sends
    // the changed characters); the step keeps bytes [first, first + count) of the record
    // and sends each changed one with messageFor(position, character) on undo and redo
    // (its value is the character too, for templates that leave it to the link).
    using NameMessage = std::function<std::string(int position, std::uint8_t character)>;
    void RecordName(std::string label, TEditPlace place, int first, int count,
                    const NameMessage& messageFor, const std::function<void()>& command);

    // A command that changes whole records of `blocks` and the present flags without
    // sending (load, initialize, move, exchange, kits put into slots). What it changed
    // becomes one step, also when it raises part-way (what it changed stays, as always):
    // the records whose data bytes differ and the flags that differ, nothing else.
    void RecordCommand(std::string label, TEditPlace place, std::span<const Block> blocks,
                       const std::function<void()>& command);

    // An answer from the module stored `message` in a record of the mirror: the steps that
    // would put older bytes or flags over it go (see the top of this file).
    void Stored(const std::uint8_t* message, int length);
    void Stored(Block block, int record);

    // The open step takes no more changes.
    void EndMerge() { m_open = false; }

    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_count; }
    // The label of the step undo or redo would act on; empty when there is none.
    std::string UndoText() const;
    std::string RedoText() const;
    // Raise EditSendError after the mirror changed when a message could not be sent (not
    // when no output is open: then nothing is sent, and nothing is said).
    void Undo();
    void Redo();

    // A new history (a setup loaded): nothing to undo, and this state is the saved one.
    void Clear();
    // The mirror now equals a file (saved or loaded): reaching this state again by undo or
    // redo clears the collections' changed state.
    void MarkClean();
    bool IsClean() const { return m_clean == m_done; }
    // Something besides a step changed the mirror (an answer from the module): the state
    // last saved can no longer be reached by undo.
    void ForgetClean();
    // True while the history itself changes the mirror, so the change is not "besides".
    bool Applying() const { return m_applying; }

    int Count() const { return m_count; }
    int Limit() const { return m_limit; }

    // Undo and redo first show the place of the step (a no-op when it is shown already).
    std::function<void(const TEditPlace& place)> OnSelect;
    // After a step's bytes and flags were put back: the windows refresh what shows them.
    std::function<void(const TEditPlace& place, bool wholeRecords)> OnApplied;
    // Undo or redo became possible or impossible: the menu follows.
    std::function<void()> OnChange;
    // Whether messages reach the module; unset: they are taken to. A step that sends while
    // no output is open is applied to the mirror only, as an edit is.
    std::function<bool()> OutputOpen;

  private:
    static std::string LabelOf(const Step& step);
    // Step i from the oldest (0 <= i < Count()), without a division: a step is made per edit.
    std::size_t Slot(int i) const {
        const int at = m_first + i;
        return static_cast<std::size_t>(at < Ring() ? at : at - Ring());
    }
    Step& At(int i) { return m_ring[Slot(i)]; }
    const Step& At(int i) const { return m_ring[Slot(i)]; }
    int Ring() const { return static_cast<int>(m_ring.size()); }
    // A place for a new step after the position: the steps to redo are dropped, and at the
    // limit the oldest goes. All but its changes are cleared; the caller overwrites those.
    Step& Claim();
    void Push(Step step);
    void Apply(Step& step, bool undo, const char* what);
    void ShowChanges(const Step& step);
    void Changed();
    bool FlagNow(int flag) const;
    void SetFlag(int flag, bool on);
    static bool Touches(const Step& step, Block block, int record, int flag);

    TTd7Collections& m_dumps;
    TPresentFlags& m_present;
    midilink::TMidiLink& m_link;
    int m_limit;
    // The steps, oldest first from m_first, in a ring that grows to the limit: a new step
    // takes the place (and the storage) of one undone and dropped, or of the oldest.
    std::vector<Step> m_ring;
    int m_first = 0;
    int m_count = 0;
    int m_done = 0;   // steps before the position: undo acts on m_steps[m_done - 1]
    int m_clean = 0;  // the position of the saved state; -1 when it cannot be reached
    bool m_open = false;
    bool m_applying = false;
    std::pair<bool, bool> m_reported{false, false};  // CanUndo, CanRedo as last reported
};

// "Level (Effect 1)": the control's caption (its hint where it has none) and its panel.
std::string StepLabel(const TParameter& parameter);
// The selection that addresses record `record` of the block (the bytes a2 a3).
Selection RecordSelection(Block block, int record);

}  // namespace td7
