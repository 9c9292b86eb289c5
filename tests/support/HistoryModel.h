#pragma once

// The mirror, its present flags and its undo history driven as a user drives them, beside a
// plain model of what the user should see. A source of choices (a seeded generator in the
// test, the input bytes in the fuzz target) picks each action: parameter edits, names,
// loads, initialize, moves, exchanges, library kits put into slots, requests answered by
// the in-process module (whose memory the user changes now and then), transmissions, undo,
// redo, save and load. One of the kits' files holds a damaged record: its mark must go with
// its bytes wherever they go, and it is never sent nor saved as sound. After each action
// Check() tells what differs from the model, if anything. Toolkit-free: it drives the pieces the editor's commands call.

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "library/Items.h"
#include "library/Mirror.h"
#include "midilink/DeviceIds.h"
#include "midilink/MidiCom.h"
#include "midilink/Templates.h"
#include "td7/map/DefaultPatch.h"
#include "td7/files/DumpFiles.h"
#include "td7/history/EditHistory.h"
#include "td7/map/InstrumentName.h"
#include "td7/map/ParameterTable.h"
#include "td7/history/PatchSlots.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Retarget.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"
#include "td7/transfers/DamagedRecords.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/ModuleLink.h"

namespace historymodel {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

inline constexpr int kFlagCount = td7::kPatchCount + 2;
inline constexpr int kInstrumentFlag = td7::kPatchCount;
inline constexpr int kSystemFlag = td7::kPatchCount + 1;

// Every record of the five blocks in one row, its data bytes (what the user sees of it) at
// an offset of a single buffer, with the present flag it belongs to.
struct TRecordPlace {
    td7::Block Kind;
    int Index;
    std::size_t At, Size;
    int Flag;
};

inline const std::vector<TRecordPlace>& Places() {
    static const std::vector<TRecordPlace> places = [] {
        std::vector<TRecordPlace> all;
        std::size_t at = 0;
        for (td7::Block block : td7::kAllBlocks) {
            const auto size = static_cast<std::size_t>(td7::DataBytes(block));
            for (int i = 0; i < td7::InfoOf(block).Count; at += size, ++i)
                all.push_back({block, i, at, size,
                               block == td7::Block::System       ? kSystemFlag
                               : block == td7::Block::Instrument ? kInstrumentFlag
                                                                 : td7::PatchOfRecord(block, i)});
        }
        return all;
    }();
    return places;
}

// The records of a flag in row order; for a slot that is the patch file's order.
inline const std::vector<int>& RecordsOf(int flag) {
    static const std::vector<std::vector<int>> byFlag = [] {
        std::vector<std::vector<int>> all(kFlagCount);
        for (std::size_t g = 0; g < Places().size(); ++g)
            all[static_cast<std::size_t>(Places()[g].Flag)].push_back(static_cast<int>(g));
        return all;
    }();
    return byFlag[static_cast<std::size_t>(flag)];
}

// The data bytes of every record and the present flags; a record is damaged while it holds
// the data bytes a file held damaged (its mark), wherever those bytes went since.
struct TView {
    Bytes Data;
    std::array<bool, kFlagCount> Flags{};
    std::vector<Bytes> Marks = std::vector<Bytes>(Places().size());  // empty: none
    bool operator==(const TView& other) const {
        if (Data != other.Data || Flags != other.Flags) return false;
        for (std::size_t g = 0; g < Places().size(); ++g)
            if (Damaged(static_cast<int>(g)) != other.Damaged(static_cast<int>(g))) return false;
        return true;
    }

    std::span<const std::uint8_t> Record(int g) const {
        const TRecordPlace& place = Places()[static_cast<std::size_t>(g)];
        return {Data.data() + place.At, place.Size};
    }
    bool Damaged(int g) const {
        const Bytes& mark = Marks[static_cast<std::size_t>(g)];
        return !mark.empty() && std::ranges::equal(mark, Record(g));
    }
    bool SameRecord(const TView& other, int g) const {
        return std::ranges::equal(Record(g), other.Record(g)) && Damaged(g) == other.Damaged(g);
    }
    void Put(int g, std::span<const std::uint8_t> bytes) {
        std::ranges::copy(bytes, Data.begin() + static_cast<std::ptrdiff_t>(Places()[static_cast<std::size_t>(g)].At));
    }
};

// A patch slot as the user sees it: its records' data bytes in patch-file order.
struct TSlot {
    std::vector<Bytes> Records, Marks;
    bool Present = true;
};

inline TSlot SlotOf(const TView& view, int p) {
    TSlot slot{{}, {}, view.Flags[static_cast<std::size_t>(p)]};
    for (int g : RecordsOf(p)) {
        slot.Records.emplace_back(view.Record(g).begin(), view.Record(g).end());
        slot.Marks.push_back(view.Marks[static_cast<std::size_t>(g)]);
    }
    return slot;
}

inline void FillSlot(TView& view, int p, const TSlot& slot) {
    const auto& records = RecordsOf(p);
    for (std::size_t k = 0; k < records.size(); ++k) {
        view.Put(records[k], slot.Records[k]);
        view.Marks[static_cast<std::size_t>(records[k])] = slot.Marks[k];
    }
    view.Flags[static_cast<std::size_t>(p)] = slot.Present;
}

// A record whose checksum does not match its bytes is marked by its data bytes.
inline TSlot PatchFileSlot(std::span<const std::uint8_t> file) {
    TSlot slot;
    std::size_t at = 0;
    for (int g : RecordsOf(0)) {
        const auto size = static_cast<std::size_t>(td7::InfoOf(Places()[static_cast<std::size_t>(g)].Kind).Size);
        const auto from = file.begin() + static_cast<std::ptrdiff_t>(at);
        slot.Records.emplace_back(from + td7::kHeaderSize, from + static_cast<std::ptrdiff_t>(size) - 2);
        unsigned sum = 0;
        for (auto b = from + 5; b < from + static_cast<std::ptrdiff_t>(size) - 2; ++b) sum += *b;
        const bool sound = from[static_cast<std::ptrdiff_t>(size) - 2] == ((0x80 - sum % 128) & 0x7F);
        slot.Marks.push_back(sound ? Bytes{} : slot.Records.back());
        at += size;
    }
    return slot;
}

// The reference: a step is the view before and after an action. Undo puts back what the
// step changed, redo what it made. A record the module sent ends the history at the newest
// step that changed it (or its flag); no step that would put it back stays to be redone.
class TModel {
  public:
    struct Step {
        TView Before, After;
        long Made = 0, MergeKey = -1;
        bool Touches(int g, int flag) const {
            return !Before.SameRecord(After, g) ||
                   Before.Flags[static_cast<std::size_t>(flag)] != After.Flags[static_cast<std::size_t>(flag)];
        }
    };

    explicit TModel(std::size_t limit) : m_limit(limit) {}

    TView Now;
    std::deque<Step> Done;
    std::deque<Step> Undone;  // the front is redone first

    // A control's change (mergeKey >= 0) joins the open step of the same control and record;
    // back where that step began, the step is gone.
    void Act(TView after, long tick, long mergeKey = -1) {
        if (mergeKey >= 0 && m_open && !Done.empty() && Done.back().MergeKey == mergeKey) {
            Done.back().After = after;
            Now = std::move(after);
            if (Done.back().After == Done.back().Before) Done.pop_back(), m_open = false;
            return;
        }
        m_open = false;
        if (after == Now) return;
        Undone.clear();
        Done.push_back({Now, after, tick, mergeKey});
        if (Done.size() > m_limit) Done.pop_front();
        Now = std::move(after);
        m_open = mergeKey >= 0;
    }

    void EndMerge() { m_open = false; }

    // Returns when the step undone (or redone) was made.
    long UndoOrRedo(bool undo) {
        auto& from = undo ? Done : Undone;
        Step step = std::move(undo ? from.back() : from.front());
        undo ? from.pop_back() : from.pop_front();
        Lay(Now, step, undo);
        undo ? Undone.push_front(step) : Done.push_back(step);
        m_open = false;
        return step.Made;
    }

    void Answered(int g, std::span<const std::uint8_t> data) {
        Now.Put(g, data);
        const int flag = Places()[static_cast<std::size_t>(g)].Flag;
        const auto touches = [&](const Step& s) { return s.Touches(g, flag); };
        if (const auto newest = std::find_if(Done.rbegin(), Done.rend(), touches); newest != Done.rend())
            Done.erase(Done.begin(), newest.base()), m_open = false;
        Undone.erase(std::find_if(Undone.begin(), Undone.end(), touches), Undone.end());
    }

    void NewHistory() {
        Done.clear();
        Undone.clear();
        m_open = false;
    }

    // What undoing every step held would leave.
    TView Base() const {
        TView view = Now;
        for (auto step = Done.rbegin(); step != Done.rend(); ++step) Lay(view, *step, true);
        return view;
    }

  private:
    static void Lay(TView& view, const Step& step, bool undo) {
        const TView& to = undo ? step.Before : step.After;
        for (std::size_t g = 0; g < Places().size(); ++g)
            if (!step.Before.SameRecord(step.After, static_cast<int>(g))) {
                view.Put(static_cast<int>(g), to.Record(static_cast<int>(g)));
                view.Marks[g] = to.Marks[g];
            }
        for (std::size_t f = 0; f < kFlagCount; ++f)
            if (step.Before.Flags[f] != step.After.Flags[f]) view.Flags[f] = to.Flags[f];
    }

    std::size_t m_limit;
    bool m_open = false;
};

// What picks the actions: Pick(n) is 0..n-1.
class TChoices {
  public:
    virtual ~TChoices() = default;
    virtual unsigned Pick(unsigned n) = 0;
};

class THarness {
  public:
    static constexpr std::size_t kLimit = 12;
    static constexpr int kKits = 4;

    // `folder` takes the kits' patch files, once for each module seed.
    explicit THarness(const std::filesystem::path& folder, std::uint32_t moduleSeed = 1)
        : m_folder(folder), m_moduleSeed(moduleSeed) {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, Td7Module::kDefaultDeviceId);
        m_link.module.LoadRandom(moduleSeed);
        m_wait.transfers = &m_transfers;
        // As the editor's main window hears of the session's stored answers.
        m_wait.stored = [this](const std::uint8_t* message, int length) { m_history.Stored(message, length); };
        m_history.OutputOpen = [this] { return m_outputOpen; };
        std::filesystem::create_directories(m_folder);
        for (int k = 0; k < kKits; ++k) {
            Bytes kit = m_link.module.PatchDataSets(k + 1);
            Name(kit, static_cast<std::uint8_t>('A' + k));
            std::error_code error;
            if (std::filesystem::file_size(KitFile(k), error) != kit.size())
                std::ofstream(KitFile(k), std::ios::binary | std::ios::trunc)
                    .write(reinterpret_cast<const char*>(kit.data()), static_cast<std::streamsize>(kit.size()));
            m_kitSlots.push_back(PatchFileSlot(kit));
            m_kits.push_back(std::move(kit));
        }
        // A kit whose note-map entry 5 has a wrong checksum, as a file may hold it.
        Bytes damaged = m_link.module.PatchDataSets(kKits + 1);
        Name(damaged, 'Z');
        damaged[58 + 18 * 22 + 5 * 19 + 17] ^= 0x01;
        std::ofstream(KitFile(kKits), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
        m_kitSlots.push_back(PatchFileSlot(damaged));
        m_defaultSlot = PatchFileSlot(td7::DefaultPatchBytes());
        for (const td7::TParameter& row : td7::Parameters()) {
            auto com = std::make_unique<midilink::TValueMidiCom>();
            td7::ConfigureBinding(*com, row, m_dumps, &m_link);
            m_bindings.push_back(std::move(com));
        }
        m_model.Now = View(m_dumps, m_present);
    }

    THarness(const THarness&) = delete;
    THarness& operator=(const THarness&) = delete;

    // One action the user could take now; returns what it was, for a failure's report.
    std::string Act(TChoices& choose) {
        ++m_tick;
        m_link.sent.clear();
        const unsigned what = choose.Pick(100);
        if (what < 30) return Turn(choose, what >= 22);
        EndMerge();
        if (what < 34) return Paste(choose);
        if (what < 38) return InstrumentName(choose);
        if (what < 59) return SlotCommand(choose, what < 43 ? kLoad : what < 47 ? kInitialize : what < 50 ? kMove
                                                  : what < 53 ? kExchange : what < 57 ? kPut : kIntoSlots);
        if (what < 63) return ChangeOnModule(choose);
        if (what < 68) return Request(choose);
        if (what < 71) return Transmit(choose);
        if (what < 94) return UndoOrRedo(what < 84);
        if (what < 96) {
            m_outputOpen = !m_outputOpen;
            m_link.answersLeft = m_outputOpen ? -1 : 0;  // with the output closed nothing reaches it
            return m_outputOpen ? "output opened" : "output closed";
        }
        return SaveOrLoad(choose);
    }

    // What differs from the model, or empty. Undoing every step held must reach the state
    // before the oldest, and redoing them this one again; the saved file must load as is.
    // Without `thorough`, only the mirror and the number of steps: what a caller checks after
    // every action when it looks through the history now and then.
    std::string Check(bool thorough = true) {
        if (!m_problem.empty()) return m_problem;
        if (!SameAsModel()) return Difference(View(m_dumps, m_present), m_model.Now);
        const auto steps = m_model.Done.size() + m_model.Undone.size();
        if (m_history.Count() != static_cast<int>(steps))
            return "the history holds " + std::to_string(m_history.Count()) + " steps, the model " +
                   std::to_string(steps);
        if (!thorough) return {};
        if (!SavedLoadsAsIs()) return "the saved setup loads differently";
        // A look through the history closes the open step of a control: not while a drag
        // may go on. The look sends nothing to the module.
        if (m_turnOpen) return {};
        m_link.answersLeft = 0;
        std::string problem;
        int undone = 0;
        Run([&] {
            for (; m_history.CanUndo(); ++undone) m_history.Undo();
            if (undone != static_cast<int>(m_model.Done.size()))
                problem = "undo took back " + std::to_string(undone) + " steps of " + std::to_string(m_model.Done.size());
            else if (View(m_dumps, m_present) != m_model.Base())
                problem = "undoing every step does not reach the state before the oldest";
            for (int k = 0; k < undone; ++k) m_history.Redo();
            if (problem.empty() && View(m_dumps, m_present) != m_model.Now) problem = "redoing every step does not come back";
        });
        m_link.answersLeft = m_outputOpen ? -1 : 0;
        m_model.EndMerge();
        return problem.empty() ? m_problem : problem;
    }

    // The first record or flag where the mirror and the model part.
    static std::string Difference(const TView& mirror, const TView& model) {
        for (std::size_t g = 0; g < Places().size(); ++g) {
            const int r = static_cast<int>(g);
            if (!std::ranges::equal(mirror.Record(r), model.Record(r)))
                return "the mirror differs from the model in record " + std::to_string(g);
            if (mirror.Damaged(r) != model.Damaged(r))
                return "record " + std::to_string(g) + (mirror.Damaged(r) ? " is" : " is not") +
                       " damaged in the mirror, the model says otherwise";
        }
        return "the mirror's present flags differ from the model's";
    }

    // At most `n` requests of all 32 patches from now on (each is 2,496 answers); the others
    // become requests of one patch. What keeps a fuzzer's execution short.
    void LimitWholeRequests(int n) { m_wholeRequestsLeft = n; }

    td7::TEditHistory& History() { return m_history; }
    TModel& Model() { return m_model; }

  private:
    enum Command { kLoad, kInitialize, kPut, kIntoSlots, kMove, kExchange };

    // A kit's name starts with `letter`; its common record stays sound.
    static void Name(Bytes& kit, std::uint8_t letter) {
        constexpr int kCommon = 58;
        kit[td7::kHeaderSize + 2] = letter;
        kit[kCommon - 2] = midilink::RolandChecksum(kit.data() + 5, kCommon - 7);
    }

    static TView View(td7::TTd7Collections& dumps, const td7::TPresentFlags& present) {
        TView view;
        view.Data.resize(Places().back().At + Places().back().Size);
        for (std::size_t g = 0; g < Places().size(); ++g) {
            const TRecordPlace& place = Places()[g];
            const midilink::TMidiDump& record = dumps.Of(place.Kind).Records(place.Index);
            const std::uint8_t* data = record.Data() + td7::kHeaderSize;
            std::copy_n(data, place.Size, view.Data.begin() + static_cast<std::ptrdiff_t>(place.At));
            if (!dumps.Damaged.Fault(record).empty()) view.Marks[g].assign(data, data + place.Size);
        }
        for (int p = 0; p < td7::kPatchCount; ++p) view.Flags[static_cast<std::size_t>(p)] = present.PatchPresent(p);
        view.Flags[kInstrumentFlag] = present.InstrumentsPresent();
        view.Flags[kSystemFlag] = present.SystemPresent();
        return view;
    }

    // View(m_dumps, m_present) == m_model.Now, without making the view.
    bool SameAsModel() {
        for (std::size_t g = 0; g < Places().size(); ++g) {
            const TRecordPlace& place = Places()[g];
            const std::uint8_t* data = m_dumps.Of(place.Kind).Records(place.Index).Data() + td7::kHeaderSize;
            if (!std::equal(data, data + place.Size, m_model.Now.Record(static_cast<int>(g)).begin())) return false;
            if (m_model.Now.Damaged(static_cast<int>(g)) !=
                !m_dumps.Damaged.Fault(m_dumps.Of(place.Kind).Records(place.Index)).empty())
                return false;
        }
        for (int p = 0; p < td7::kPatchCount; ++p)
            if (m_model.Now.Flags[static_cast<std::size_t>(p)] != m_present.PatchPresent(p)) return false;
        return m_model.Now.Flags[kInstrumentFlag] == m_present.InstrumentsPresent() &&
               m_model.Now.Flags[kSystemFlag] == m_present.SystemPresent();
    }

    std::filesystem::path KitFile(int k) const {
        return m_folder / ("kit" + std::to_string(k) + "-" + std::to_string(m_moduleSeed) + ".syx");
    }

    int Pick(TChoices& choose, std::size_t n) const { return static_cast<int>(choose.Pick(static_cast<unsigned>(n))); }

    void EndMerge() {
        m_history.EndMerge();
        m_model.EndMerge();
        m_turnOpen = false;
    }

    std::vector<int> PresentSlots() const {
        std::vector<int> slots;
        for (int p = 0; p < td7::kPatchCount; ++p)
            if (m_present.PatchPresent(p)) slots.push_back(p);
        return slots;
    }

    // A record of the parameter's block that the windows let the user edit, or -1.
    int EditableRecord(const td7::TParameter& row, TChoices& choose) const {
        if (row.Collection == td7::Block::System) return m_present.SystemPresent() ? 0 : -1;
        if (row.Collection == td7::Block::Instrument)
            return m_present.InstrumentsPresent() ? Pick(choose, td7::kInstrumentCount) : -1;
        const auto slots = PresentSlots();
        if (slots.empty()) return -1;
        const int p = slots[static_cast<std::size_t>(Pick(choose, slots.size()))];
        if (row.Collection == td7::Block::Prog) return p;
        if (row.Collection == td7::Block::Trigger) return td7::TriggerRecord(p, Pick(choose, td7::kTriggersPerPatch));
        return td7::NotemapRecord(p, Pick(choose, td7::kNotesPerPatch));
    }

    int Record(td7::Block block, int i) const {
        const auto place = std::ranges::find_if(Places(), [&](const TRecordPlace& r) { return r.Kind == block; });
        return static_cast<int>(place - Places().begin()) + i;
    }

    // A value for the row, laid into the model's record as the module's dump holds it.
    int LayValue(TView& view, const td7::TParameter& row, int record, TChoices& choose) const {
        const int value = row.Min + Pick(choose, static_cast<std::size_t>(row.Max - row.Min + 1));
        midilink::TValueMidiCom arithmetic;
        td7::ConfigureArithmetic(arithmetic, row);
        std::uint8_t laid[2];
        arithmetic.LayValue(value, laid);
        const int g = Record(row.Collection, record);
        Bytes bytes(view.Record(g).begin(), view.Record(g).end());
        std::copy_n(laid, arithmetic.ByteCount(), bytes.begin() + (row.DumpIndex - td7::kHeaderSize));
        view.Put(g, bytes);
        return value;
    }

    // A knob turned, a choice made, a box ticked: through the control's binding, on the
    // record the window shows. `again`: the same control once more, as in a drag.
    std::string Turn(TChoices& choose, bool again) {
        if (!again || !m_turnOpen) {
            EndMerge();
            m_row = static_cast<std::size_t>(Pick(choose, td7::Parameters().size()));
            m_turnRecord = EditableRecord(td7::Parameters()[m_row], choose);
            if (m_turnRecord < 0) return "nothing to edit";
        }
        const td7::TParameter& row = td7::Parameters()[m_row];
        midilink::TValueMidiCom& com = *m_bindings[m_row];
        if (td7::Retargetable(row.Panel)) td7::RetargetCom(com, td7::RecordSelection(row.Collection, m_turnRecord));
        m_dumps.Of(row.Collection).SetIndex(m_turnRecord);
        TView after = m_model.Now;
        const int value = LayValue(after, row, m_turnRecord, choose);
        Run([&] { m_history.SetBinding(com, row, value); });
        m_model.Act(std::move(after), m_tick, static_cast<long>(m_row) * 4096 + m_turnRecord);
        m_turnOpen = true;
        return std::string(row.Name) + " of record " + std::to_string(m_turnRecord) + " to " + std::to_string(value);
    }

    // Settings of several controls of one record at once, as Paste and the compare window
    // set them.
    std::string Paste(TChoices& choose) {
        const auto rows = td7::Parameters();
        const td7::TParameter& first = rows[static_cast<std::size_t>(Pick(choose, rows.size()))];
        const int record = EditableRecord(first, choose);
        if (record < 0) return "nothing to paste onto";
        std::vector<td7::TParameterEdit> edits;
        TView after = m_model.Now;
        for (const td7::TParameter& row : rows)
            if (row.Panel == first.Panel && choose.Pick(3) == 0) edits.push_back({&row, record, LayValue(after, row, record, choose)});
        Run([&] { m_history.SetParameters("Paste", edits); });
        m_model.Act(std::move(after), m_tick);
        return "paste " + std::to_string(edits.size()) + " settings onto record " + std::to_string(record) +
               " of panel " + std::string(td7::PanelTitle(first.Panel));
    }

    std::string InstrumentName(TChoices& choose) {
        if (!m_present.InstrumentsPresent()) return "no instruments to name";
        const int i = Pick(choose, td7::kInstrumentCount);
        const int g = Record(td7::Block::Instrument, i);
        std::u32string name;
        TView after = m_model.Now;
        Bytes bytes(after.Record(g).begin(), after.Record(g).end());
        for (int k = 0; k < td7::kNameChars; ++k) {
            name += static_cast<char32_t>('A' + choose.Pick(4));
            bytes[static_cast<std::size_t>(td7::kNameCharsAt - td7::kHeaderSize + k)] = static_cast<std::uint8_t>(name.back());
        }
        after.Put(g, bytes);
        Run([&] {
            m_history.RecordName(
                "Instrument Name", {td7::Block::Instrument, i, td7::PanelId::Inst}, td7::kNameCharsAt, td7::kNameChars,
                [i](int position, std::uint8_t character) { return td7::InstrumentCharacterMessage(i, position, character); },
                [&] { td7::StoreInstrumentName(m_dumps.InstrumentDump, m_link, i, name); });
        });
        m_model.Act(std::move(after), m_tick);
        return "instrument " + std::to_string(i) + " named";
    }

    // The commands on whole slots: a kit's patch file loaded or put from the library, the
    // empty-slot dialog's Initialize, a list of kits into slots 1..N, Move and Exchange.
    std::string SlotCommand(TChoices& choose, Command command) {
        static constexpr const char* kLabels[] = {"Load Patch", "Initialize Patch", "Put Kit", "Load into Slots",
                                                  "Move Patch", "Exchange Patches"};
        const int p = Pick(choose, td7::kPatchCount);
        const bool twoSlots = command == kMove || command == kExchange;
        // A kit (files also the damaged one; the library holds none), or the other slot.
        const int k = Pick(choose, twoSlots ? td7::kPatchCount : command == kLoad ? kKits + 1 : kKits);
        if (twoSlots && p == k) return "no move";
        if (command == kInitialize && m_present.PatchPresent(p)) return "slot " + std::to_string(p) + " is not empty";
        TView after = m_model.Now;
        std::vector<TSlot> slots;
        for (int s = 0; s < td7::kPatchCount; ++s) slots.push_back(SlotOf(after, s));
        const auto at = [&](int s) { return slots.begin() + s; };
        switch (command) {
            case kLoad:
            case kPut: slots[static_cast<std::size_t>(p)] = m_kitSlots[static_cast<std::size_t>(k)]; break;
            case kInitialize: slots[static_cast<std::size_t>(p)] = m_defaultSlot; break;
            case kIntoSlots: std::copy_n(m_kitSlots.begin(), k + 1, slots.begin()); break;
            case kMove: {
                TSlot taken = std::move(*at(p));
                slots.erase(at(p));
                slots.insert(at(k), std::move(taken));
                break;
            }
            case kExchange: std::iter_swap(at(p), at(k)); break;
        }
        for (int s = 0; s < td7::kPatchCount; ++s) FillSlot(after, s, slots[static_cast<std::size_t>(s)]);
        const auto put = [&](int kit, int slot) {
            library::PutIntoMirror(library::TKind::Kit, m_kits[static_cast<std::size_t>(kit)], m_dumps, m_present, slot);
        };
        Run([&] {
            m_history.RecordCommand(kLabels[command], {td7::Block::Prog, command == kIntoSlots ? 0 : p, {}},
                                    td7::kPatchBlocks, [&] {
                switch (command) {
                    case kLoad: return td7::LoadPatchFile(KitFile(k), m_dumps, m_present, p);
                    case kPut: return put(k, p);
                    case kInitialize: return td7::InitializePatch(m_dumps, m_present, p);
                    case kIntoSlots:
                        for (int s = 0; s <= k; ++s) put(s, s);
                        return;
                    case kMove: return td7::MovePatch(m_dumps, m_present, p, k);
                    case kExchange: return td7::ExchangePatch(m_dumps, m_present, p, k);
                }
            });
        });
        m_model.Act(std::move(after), m_tick);
        return std::string(kLabels[command]) + " with " + std::to_string(p) + " and " + std::to_string(k);
    }

    // The drummer changes something on the module itself.
    std::string ChangeOnModule(TChoices& choose) {
        auto data = m_link.module.Data(Td7Module::BlockAt(Pick(choose, Td7Module::kBlockCount)));
        data[static_cast<std::size_t>(Pick(choose, data.size()))] = static_cast<std::uint8_t>(choose.Pick(0x80));
        return "a change on the module";
    }

    // The records of the flags came from the module: the model takes them from its memory.
    void ModelAnswered(std::initializer_list<int> flags) {
        const std::size_t records = Places().size();
        for (int flag : flags) {
            for (int g : RecordsOf(flag)) {
                const TRecordPlace& place = Places()[static_cast<std::size_t>(g)];
                const auto block = Td7Module::FindBlock(td7::RecordAddress(place.Kind, place.Index));
                m_model.Answered(g, m_link.module.Data(*block));
                m_answeredAt[static_cast<std::size_t>(g)] = m_tick;
            }
            m_model.Now.Flags[static_cast<std::size_t>(flag)] = true;
            m_answeredAt[records + static_cast<std::size_t>(flag)] = m_tick;
        }
    }

    std::string Request(TChoices& choose) {
        if (!m_outputOpen) return "no output for a request";
        unsigned which = choose.Pick(16);
        if (which == 0 && m_wholeRequestsLeft == 0) which = 8;  // one patch instead
        if (which == 0) {
            if (m_wholeRequestsLeft > 0) --m_wholeRequestsLeft;
            Run([&] { m_transfers.RequestAllPatches(); });
            for (int p = 0; p < td7::kPatchCount; ++p) ModelAnswered({p});
            return "request all patches";
        }
        if (which < 8) {
            const bool instruments = which < 4;
            Run([&] { instruments ? m_transfers.RequestInstruments() : m_transfers.RequestSystem(); });
            ModelAnswered({instruments ? kInstrumentFlag : kSystemFlag});
            return instruments ? "request the instruments" : "request the system";
        }
        const int p = Pick(choose, td7::kPatchCount);
        Run([&] { m_transfers.RequestPatch(p); });
        ModelAnswered({p});
        return "request patch " + std::to_string(p);
    }

    // As the editor's Transmit commands: a damaged record among those to send stops the
    // transmission before anything goes.
    std::string Transmit(TChoices& choose) {
        if (!m_outputOpen) return "no output for a transmission";
        testsupport::CountingProgress progress;
        const unsigned which = choose.Pick(4);
        const auto slots = PresentSlots();
        if (which == 0 && !slots.empty()) {
            Send(td7::PresentPatchRecords(m_present), [&] { m_transfers.TransmitAllPatches(progress); });
            return "transmit all patches";
        }
        if (which == 1 && m_present.InstrumentsPresent()) {
            Send(td7::InstrumentRecords(), [&] { m_transfers.TransmitInstruments(progress); });
            return "transmit the instruments";
        }
        if (which == 2 && m_present.SystemPresent()) {
            Send(td7::SystemRecords(), [&] { m_transfers.TransmitSystem(); });
            return "transmit the system";
        }
        if (slots.empty()) return "nothing to transmit";
        const int p = slots[static_cast<std::size_t>(Pick(choose, slots.size()))];
        Send(td7::PatchRecords(p), [&] { m_transfers.TransmitPatch(p, progress); });
        return "transmit patch " + std::to_string(p);
    }

    void Send(const std::vector<td7::TRecordRef>& records, const std::function<void()>& send) {
        const bool damaged = std::ranges::any_of(records, [&](const td7::TRecordRef& r) {
            return m_model.Now.Damaged(Record(r.Kind, r.Index));
        });
        try {
            td7::RefuseDamagedRecords(m_dumps, records);
        } catch (const td7::TransferError&) {
            if (!damaged) m_problem = "a sound transmission was refused as damaged";
            return;
        }
        if (damaged) m_problem = "a damaged record was sent as sound";
        Run(send);
    }

    std::string UndoOrRedo(bool undo) {
        const std::string what = undo ? "undo" : "redo";
        if (undo ? !m_history.CanUndo() : !m_history.CanRedo()) return "nothing to " + what;
        if (undo ? m_model.Done.empty() : m_model.Undone.empty()) {
            m_problem = "the history has a step that the model has not";
            return what;
        }
        const TView before = View(m_dumps, m_present);
        Run([&] { undo ? m_history.Undo() : m_history.Redo(); });
        const long made = m_model.UndoOrRedo(undo);
        // No step puts back what is older than an answer from the module.
        const TView after = View(m_dumps, m_present);
        const std::size_t records = Places().size();
        for (std::size_t g = 0; g < records + kFlagCount; ++g) {
            const bool changed = g < records ? !before.SameRecord(after, static_cast<int>(g))
                                             : before.Flags[g - records] != after.Flags[g - records];
            if (changed && m_answeredAt[g] > made)
                m_problem = (g < records ? "record " + std::to_string(g) : "flag " + std::to_string(g - records)) +
                            " came back from before an answer";
        }
        return what;
    }

    // Save Setup keeps the file; Load Setup takes one kept before and starts a new history.
    std::string SaveOrLoad(TChoices& choose) {
        if (m_saved.empty() || choose.Pick(2) == 0) {
            m_saved.emplace_back(td7::BuildSetupImage(m_dumps, m_present), m_model.Now);
            if (m_saved.size() > 3) m_saved.erase(m_saved.begin());
            m_history.MarkClean();
            return "save setup";
        }
        const auto& saved = m_saved[static_cast<std::size_t>(Pick(choose, m_saved.size()))];
        const TView& view = saved.second;
        // Every slot and the instruments take the state of their entry; the system block
        // only when its entry is present.
        TView after = m_model.Now;
        for (std::size_t g = 0; g < Places().size(); ++g)
            if (view.Flags[static_cast<std::size_t>(Places()[g].Flag)]) {
                after.Put(static_cast<int>(g), view.Record(static_cast<int>(g)));
                after.Marks[g] = view.Damaged(static_cast<int>(g)) ? Bytes(view.Record(static_cast<int>(g)).begin(), view.Record(static_cast<int>(g)).end()) : Bytes{};
            }
        for (int f = 0; f < kFlagCount; ++f)
            if (f != kSystemFlag || view.Flags[kSystemFlag]) after.Flags[static_cast<std::size_t>(f)] = view.Flags[static_cast<std::size_t>(f)];
        Run([&] { td7::LoadSetupImage(saved.first, m_dumps, m_present); });
        m_history.Clear();
        m_model.Now = std::move(after);
        m_model.NewHistory();
        return "load setup";
    }

    // Saving, then loading that file into a copy of the mirror, changes nothing: a damaged
    // record comes back damaged. The copy is every harness's (each look writes all of it), so
    // that a harness is quick to make.
    bool SavedLoadsAsIs() {
        static td7::TTd7Collections scratch{nullptr, {}, {}};
        const auto image = td7::BuildSetupImage(m_dumps, m_present);
        for (td7::Block block : td7::kAllBlocks)
            for (int i = 0; i < m_dumps.Of(block).Count(); ++i)
                scratch.Of(block).Records(i).CopyFrom(m_dumps.Of(block).Records(i).Data());
        m_scratchPresent.Clear();
        // The parts the file leaves out keep what they held, damage and all.
        for (const TRecordPlace& place : Places())
            scratch.Damaged.SetMark(scratch.Of(place.Kind).Records(place.Index),
                                    m_dumps.Damaged.MarkOf(m_dumps.Of(place.Kind).Records(place.Index)));
        td7::LoadSetupImage(image, scratch, m_scratchPresent);
        TView loaded = View(scratch, m_scratchPresent);
        loaded.Flags[kSystemFlag] = m_present.SystemPresent();  // a file without it keeps the state
        return loaded == View(m_dumps, m_present);
    }

    // An action that raises is a problem: none of these may fail.
    void Run(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::exception& e) {
            m_problem = std::string("raised: ") + e.what();
        }
    }

    std::filesystem::path m_folder;
    std::uint32_t m_moduleSeed;
    testsupport::ModuleLink m_link;
    testsupport::FastWait m_wait{m_link};
    bool m_outputOpen = true;
    td7::TTd7Collections m_dumps{&m_link, {}, {}};
    td7::TPresentFlags m_present;
    td7::TTransfers m_transfers{m_dumps, m_present, m_link, m_wait};
    td7::TEditHistory m_history{m_dumps, m_present, m_link, static_cast<int>(kLimit)};
    td7::TPresentFlags m_scratchPresent;
    TModel m_model{kLimit};
    std::vector<Bytes> m_kits;
    std::vector<TSlot> m_kitSlots;
    TSlot m_defaultSlot;
    std::vector<std::unique_ptr<midilink::TValueMidiCom>> m_bindings;
    std::vector<std::pair<Bytes, TView>> m_saved;
    std::vector<long> m_answeredAt = std::vector<long>(Places().size() + kFlagCount, -1);  // records, then flags
    long m_tick = 0;
    int m_wholeRequestsLeft = -1;  // -1: any number
    std::size_t m_row = 0;
    int m_turnRecord = -1;
    bool m_turnOpen = false;
    std::string m_problem;
};

}  // namespace historymodel
