#pragma once

// The mirror, its present flags and its undo history driven as a user drives them, beside a
// plain model of what the user should see. A source of choices (a seeded generator in the
// test, the input bytes in the fuzz target) picks each action: parameter edits, names,
// loads, initialize, moves, exchanges, library kits put into slots, requests answered by
// the in-process module (whose memory the user changes now and then), transmissions, undo,
// redo, save and load. After each action Check() tells what differs from the model, if
// anything. Toolkit-free: it drives the pieces the editor's commands call.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "library/Items.h"
#include "library/Mirror.h"
#include "midilink/DeviceIds.h"
#include "midilink/DumpCollection.h"
#include "midilink/MidiCom.h"
#include "midilink/MidiLink.h"
#include "simulator/Td7Module.h"
#include "td7/DefaultPatch.h"
#include "td7/DumpFiles.h"
#include "td7/EditHistory.h"
#include "td7/InstrumentName.h"
#include "td7/ParameterTable.h"
#include "td7/PatchSlots.h"
#include "td7/PresentFlags.h"
#include "td7/Retarget.h"
#include "td7/SetupFile.h"
#include "td7/Td7Collections.h"
#include "td7/Td7Map.h"
#include "td7/Transfers.h"

namespace historymodel {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

inline constexpr int kFlagCount = td7::kPatchCount + 2;
inline constexpr int kInstrumentFlag = td7::kPatchCount;
inline constexpr int kSystemFlag = td7::kPatchCount + 1;

// Every record of the five blocks numbered in one row, its data bytes at an offset of a
// single buffer: what the user can see of it (headers and checksums are made on sending).
struct TRecordPlace {
    td7::Block Kind;
    int Index;
    std::size_t At;  // of its data bytes in the buffer
    std::size_t Size;
    int Flag;  // the present flag it belongs to
};

inline const std::vector<TRecordPlace>& Places() {
    static const std::vector<TRecordPlace> places = [] {
        std::vector<TRecordPlace> all;
        std::size_t at = 0;
        for (td7::Block block : td7::kAllBlocks) {
            const auto size = static_cast<std::size_t>(td7::DataBytes(block));
            for (int i = 0; i < td7::InfoOf(block).Count; ++i) {
                const int flag = block == td7::Block::System       ? kSystemFlag
                                 : block == td7::Block::Instrument ? kInstrumentFlag
                                                                   : td7::PatchOfRecord(block, i);
                all.push_back({block, i, at, size, flag});
                at += size;
            }
        }
        return all;
    }();
    return places;
}

inline int RecordNumber(td7::Block block, int i) {
    int first = 0;
    for (td7::Block b : td7::kAllBlocks) {
        if (b == block) return first + i;
        first += td7::InfoOf(b).Count;
    }
    return -1;
}

// Records of slot p in patch-file order: common, triggers, note map.
inline std::vector<int> SlotRecords(int p) {
    std::vector<int> records{RecordNumber(td7::Block::Prog, p)};
    for (int t = 0; t < td7::kTriggersPerPatch; ++t)
        records.push_back(RecordNumber(td7::Block::Trigger, td7::TriggerRecord(p, t)));
    for (int n = 0; n < td7::kNotesPerPatch; ++n)
        records.push_back(RecordNumber(td7::Block::Notemap, td7::NotemapRecord(p, n)));
    return records;
}

struct TView {
    Bytes Data;
    std::array<bool, kFlagCount> Flags{};
    bool operator==(const TView&) const = default;

    std::span<std::uint8_t> Record(int g) {
        const TRecordPlace& place = Places()[static_cast<std::size_t>(g)];
        return {Data.data() + place.At, place.Size};
    }
    std::span<const std::uint8_t> Record(int g) const {
        const TRecordPlace& place = Places()[static_cast<std::size_t>(g)];
        return {Data.data() + place.At, place.Size};
    }
    void Put(int g, std::span<const std::uint8_t> bytes) {
        std::copy(bytes.begin(), bytes.end(), Record(g).begin());
    }
};

inline bool Same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// The data bytes of a patch as a patch file holds it, record by record.
inline std::vector<Bytes> PatchData(std::span<const std::uint8_t> file) {
    std::vector<Bytes> records;
    std::size_t at = 0;
    for (td7::Block block : td7::kPatchBlocks) {
        const std::size_t size = static_cast<std::size_t>(td7::InfoOf(block).Size);
        const int count = block == td7::Block::Prog      ? 1
                          : block == td7::Block::Trigger ? td7::kTriggersPerPatch
                                                         : td7::kNotesPerPatch;
        for (int k = 0; k < count; ++k, at += size)
            records.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(at) + td7::kHeaderSize,
                                 file.begin() + static_cast<std::ptrdiff_t>(at + size) - 2);
    }
    return records;
}

// The reference: a step is what an action changed in the view, records and flags, before
// and after. Undo puts the befores back, redo the afters. The rule for answers from the
// module: a record the module sent ends the history at the newest step that changed it
// (or its flag); no step that would put it back stays to be redone.
class TModel {
  public:
    struct Entry {
        std::vector<int> Records;
        std::vector<Bytes> Before, After;
        std::vector<int> Flags;
        std::vector<bool> FlagsBefore, FlagsAfter;
        long Made = 0;
        long MergeKey = -1;
        bool Touches(int record, int flag) const {
            return std::find(Records.begin(), Records.end(), record) != Records.end() ||
                   std::find(Flags.begin(), Flags.end(), flag) != Flags.end();
        }
    };

    explicit TModel(std::size_t limit) : m_limit(limit) {}

    TView Now;
    std::deque<Entry> Done;
    std::deque<Entry> Undone;  // the front is redone first

    // An action turned Now into `after`. A control's change (mergeKey >= 0) joins the open
    // step of the same control and record; back where that step began, the step is gone.
    void Act(TView after, long tick, long mergeKey = -1) {
        if (mergeKey >= 0 && m_open && !Done.empty() && Done.back().MergeKey == mergeKey) {
            Entry& open = Done.back();
            const auto now = after.Record(open.Records.front());
            open.After.front().assign(now.begin(), now.end());
            Now = std::move(after);
            if (open.After == open.Before) {
                Done.pop_back();
                m_open = false;
            }
            return;
        }
        m_open = false;
        Entry entry;
        for (std::size_t g = 0; g < Places().size(); ++g) {
            const int r = static_cast<int>(g);
            if (Same(Now.Record(r), after.Record(r))) continue;
            entry.Records.push_back(r);
            entry.Before.emplace_back(Now.Record(r).begin(), Now.Record(r).end());
            entry.After.emplace_back(after.Record(r).begin(), after.Record(r).end());
        }
        for (int f = 0; f < kFlagCount; ++f) {
            const auto k = static_cast<std::size_t>(f);
            if (Now.Flags[k] == after.Flags[k]) continue;
            entry.Flags.push_back(f);
            entry.FlagsBefore.push_back(Now.Flags[k]);
            entry.FlagsAfter.push_back(after.Flags[k]);
        }
        Now = std::move(after);
        if (entry.Records.empty() && entry.Flags.empty()) return;
        entry.Made = tick;
        entry.MergeKey = mergeKey;
        Undone.clear();
        Done.push_back(std::move(entry));
        if (Done.size() > m_limit) Done.pop_front();
        m_open = mergeKey >= 0;
    }

    void EndMerge() { m_open = false; }

    // The step undone (or redone), for a look at when it was made.
    Entry Undo() {
        Entry entry = std::move(Done.back());
        Done.pop_back();
        Lay(Now, entry, true);
        Undone.push_front(entry);
        m_open = false;
        return entry;
    }
    Entry Redo() {
        Entry entry = std::move(Undone.front());
        Undone.pop_front();
        Lay(Now, entry, false);
        Done.push_back(entry);
        m_open = false;
        return entry;
    }

    // The module's bytes stored in record g.
    void Answered(int g, std::span<const std::uint8_t> data) {
        Now.Put(g, data);
        const int flag = Places()[static_cast<std::size_t>(g)].Flag;
        for (std::size_t k = Done.size(); k-- > 0;)
            if (Done[k].Touches(g, flag)) {
                Done.erase(Done.begin(), Done.begin() + static_cast<std::ptrdiff_t>(k) + 1);
                m_open = false;
                break;
            }
        for (std::size_t k = 0; k < Undone.size(); ++k)
            if (Undone[k].Touches(g, flag)) {
                Undone.erase(Undone.begin() + static_cast<std::ptrdiff_t>(k), Undone.end());
                break;
            }
    }

    void NewHistory() {
        Done.clear();
        Undone.clear();
        m_open = false;
    }

    // What undoing every step held would leave.
    TView Base() const {
        TView view = Now;
        for (std::size_t k = Done.size(); k-- > 0;) Lay(view, Done[k], true);
        return view;
    }

  private:
    static void Lay(TView& view, const Entry& entry, bool before) {
        for (std::size_t k = 0; k < entry.Records.size(); ++k)
            view.Put(entry.Records[k], before ? entry.Before[k] : entry.After[k]);
        for (std::size_t k = 0; k < entry.Flags.size(); ++k)
            view.Flags[static_cast<std::size_t>(entry.Flags[k])] =
                before ? entry.FlagsBefore[k] : entry.FlagsAfter[k];
    }

    std::size_t m_limit;
    bool m_open = false;
};

// The module on the other end of the cable, answering in the same thread. With the output
// closed nothing reaches it, as with the editor's port.
class TModuleLink : public midilink::TMidiLink {
  public:
    void PutShort(std::uint32_t) override {}
    void PutLong(const std::uint8_t* buffer, int length) override {
        if (!Open || Muted) return;
        for (auto& answer : Module.Receive(buffer, static_cast<std::size_t>(length)))
            Pending.push_back(std::move(answer));
    }

    Td7Module Module;
    std::deque<Bytes> Pending;
    bool Open = true;
    bool Muted = false;  // the harness's own look at the history sends nowhere
};

// A wait without time: it hands the transfer one waiting answer as the session does (the
// read-back first, then the collections, then the count), or jumps to the deadline.
class TAnswerWait : public td7::TTransferWait {
  public:
    explicit TAnswerWait(TModuleLink& link) : m_link(link) {}

    Clock::time_point Now() override { return m_now; }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override {
        if (done()) return;
        if (m_link.Pending.empty()) {
            if (deadline > m_now) m_now = deadline;
            return;
        }
        const Bytes answer = std::move(m_link.Pending.front());
        m_link.Pending.pop_front();
        const int length = static_cast<int>(answer.size());
        if (Transfers) Transfers->CaptureSysex(answer.data(), length);
        const bool resolved = m_link.OfferSysex(answer.data(), length);
        if (resolved && OnStored) OnStored(answer.data(), length);
        if (Transfers) Transfers->HandleMidiInput(resolved);
    }

    td7::TTransfers* Transfers = nullptr;
    std::function<void(const std::uint8_t* message, int length)> OnStored;

  private:
    TModuleLink& m_link;
    Clock::time_point m_now{};
};

// What picks the actions: Pick(n) is 0..n-1.
class TChoices {
  public:
    virtual ~TChoices() = default;
    virtual unsigned Pick(unsigned n) = 0;
};

class TProgress : public td7::TTransferProgress {
  public:
    void Step() override {}
    bool CancelRequested() const override { return false; }
};

class THarness {
  public:
    static constexpr std::size_t kLimit = 12;
    static constexpr int kKits = 4;

    // `folder` takes the kits' patch files.
    explicit THarness(const std::filesystem::path& folder, std::uint32_t moduleSeed = 1)
        : m_folder(folder) {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, Td7Module::kDefaultDeviceId);
        m_link.Module.LoadRandom(moduleSeed);
        m_wait.Transfers = &m_transfers;
        // As the editor's main window hears of the session's stored answers.
        m_wait.OnStored = [this](const std::uint8_t* message, int length) {
            m_history.Stored(message, length);
        };
        m_history.OutputOpen = [this] { return m_link.Open; };
        std::filesystem::create_directories(m_folder);
        for (int k = 0; k < kKits; ++k) {
            Bytes kit = m_link.Module.PatchDataSets(k + 1);
            kit[td7::kHeaderSize + 2] = static_cast<std::uint8_t>('A' + k);  // its name
            m_kits.push_back(kit);
            m_kitData.push_back(PatchData(kit));
            const auto path = KitFile(k);
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(kit.data()),
                       static_cast<std::streamsize>(kit.size()));
        }
        const auto initial = td7::DefaultPatchBytes();
        m_defaultData = PatchData(initial);
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
        const unsigned what = choose.Pick(100);
        if (what < 22) return Turn(choose, false);
        if (what < 30) return Turn(choose, true);
        EndMerge();
        if (what < 34) return Paste(choose);
        if (what < 38) return InstrumentName(choose);
        if (what < 43) return LoadPatch(choose);
        if (what < 47) return Initialize(choose);
        if (what < 50) return MoveOrExchange(choose, true);
        if (what < 53) return MoveOrExchange(choose, false);
        if (what < 57) return PutKit(choose);
        if (what < 59) return LoadIntoSlots(choose);
        if (what < 63) return ChangeOnModule(choose);
        if (what < 68) return Request(choose);
        if (what < 71) return Transmit(choose);
        if (what < 84) return UndoOrRedo(true);
        if (what < 94) return UndoOrRedo(false);
        if (what < 96) return ToggleOutput();
        return SaveOrLoad(choose);
    }

    // What differs from the model, or empty. Undoing every step held must reach the state
    // before the oldest, and redoing them this one again; the saved file must load as is.
    std::string Check() {
        if (!m_problem.empty()) return m_problem;
        if (View(m_dumps, m_present) != m_model.Now) return "the mirror differs from the model";
        if (m_history.Count() != static_cast<int>(m_model.Done.size() + m_model.Undone.size()))
            return "the history holds " + std::to_string(m_history.Count()) + " steps, the model " +
                   std::to_string(m_model.Done.size() + m_model.Undone.size());
        if (!SavedLoadsAsIs()) return "the saved setup loads differently";
        // A look through the history closes the open step of a control: not while a drag
        // may go on.
        if (m_turnOpen) return {};
        m_link.Muted = true;
        std::string problem;
        int undone = 0;
        try {
            for (; m_history.CanUndo(); ++undone) m_history.Undo();
            if (undone != static_cast<int>(m_model.Done.size()))
                problem = "undo took back " + std::to_string(undone) + " steps of " +
                          std::to_string(m_model.Done.size());
            else if (View(m_dumps, m_present) != m_model.Base())
                problem = "undoing every step does not reach the state before the oldest";
            for (int k = 0; k < undone; ++k) m_history.Redo();
            if (problem.empty() && View(m_dumps, m_present) != m_model.Now)
                problem = "redoing every step does not come back";
        } catch (const std::exception& e) {
            problem = std::string("undo or redo raised: ") + e.what();
        }
        m_link.Muted = false;
        m_model.EndMerge();
        return problem;
    }

    td7::TEditHistory& History() { return m_history; }
    TModel& Model() { return m_model; }

  private:
    static TView View(td7::TTd7Collections& dumps, const td7::TPresentFlags& present) {
        TView view;
        view.Data.reserve(Places().back().At + Places().back().Size);
        for (const TRecordPlace& place : Places()) {
            const std::uint8_t* data = dumps.Of(place.Kind).Records(place.Index).Data();
            view.Data.insert(view.Data.end(), data + td7::kHeaderSize,
                             data + td7::kHeaderSize + place.Size);
        }
        for (int p = 0; p < td7::kPatchCount; ++p)
            view.Flags[static_cast<std::size_t>(p)] = present.PatchPresent(p);
        view.Flags[kInstrumentFlag] = present.InstrumentsPresent();
        view.Flags[kSystemFlag] = present.SystemPresent();
        return view;
    }

    std::filesystem::path KitFile(int k) const {
        return m_folder / ("kit" + std::to_string(k) + ".syx");
    }

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
        switch (row.Collection) {
            case td7::Block::System:
                return m_present.SystemPresent() ? 0 : -1;
            case td7::Block::Instrument:
                return m_present.InstrumentsPresent()
                           ? static_cast<int>(choose.Pick(td7::kInstrumentCount))
                           : -1;
            default: {
                const auto slots = PresentSlots();
                if (slots.empty()) return -1;
                const int p = slots[choose.Pick(static_cast<unsigned>(slots.size()))];
                if (row.Collection == td7::Block::Prog) return p;
                if (row.Collection == td7::Block::Trigger)
                    return td7::TriggerRecord(p, static_cast<int>(choose.Pick(td7::kTriggersPerPatch)));
                return td7::NotemapRecord(p, static_cast<int>(choose.Pick(td7::kNotesPerPatch)));
            }
        }
    }

    static int ValueIn(const td7::TParameter& row, TChoices& choose) {
        return row.Min + static_cast<int>(choose.Pick(static_cast<unsigned>(row.Max - row.Min + 1)));
    }

    static void LayInto(TView& view, const td7::TParameter& row, int record, int value) {
        midilink::TValueMidiCom arithmetic;
        td7::ConfigureArithmetic(arithmetic, row);
        std::uint8_t laid[2];
        arithmetic.LayValue(value, laid);
        auto bytes = view.Record(RecordNumber(row.Collection, record));
        for (int k = 0; k < arithmetic.ByteCount(); ++k)
            bytes[static_cast<std::size_t>(row.DumpIndex - td7::kHeaderSize + k)] = laid[k];
    }

    // A knob turned, a choice made, a box ticked: through the control's binding, on the
    // record the window shows. `again`: the same control once more, as in a drag.
    std::string Turn(TChoices& choose, bool again) {
        if (!again || !m_turnOpen) {
            EndMerge();
            const auto rows = td7::Parameters();
            m_row = choose.Pick(static_cast<unsigned>(rows.size()));
            m_turnRecord = EditableRecord(rows[m_row], choose);
            if (m_turnRecord < 0) return "nothing to edit";
        }
        const td7::TParameter& row = td7::Parameters()[m_row];
        midilink::TValueMidiCom& com = *m_bindings[m_row];
        if (td7::Retargetable(row.Panel))
            td7::RetargetCom(com, td7::RecordSelection(row.Collection, m_turnRecord));
        m_dumps.Of(row.Collection).SetIndex(m_turnRecord);
        const int value = ValueIn(row, choose);
        TView after = m_model.Now;
        LayInto(after, row, m_turnRecord, value);
        Run([&] { m_history.SetBinding(com, row, value); });
        m_model.Act(std::move(after), m_tick,
                    static_cast<long>(m_row) * 4096 + m_turnRecord);
        m_turnOpen = true;
        return std::string(row.Name) + " of record " + std::to_string(m_turnRecord) + " to " +
               std::to_string(value);
    }

    // Settings of several controls of one record at once, as Paste and the compare window
    // set them.
    std::string Paste(TChoices& choose) {
        const auto rows = td7::Parameters();
        const td7::TParameter& first = rows[choose.Pick(static_cast<unsigned>(rows.size()))];
        const int record = EditableRecord(first, choose);
        if (record < 0) return "nothing to paste onto";
        std::vector<td7::TParameterEdit> edits;
        TView after = m_model.Now;
        for (const td7::TParameter& row : rows) {
            if (row.Panel != first.Panel || choose.Pick(3) != 0) continue;
            const int value = ValueIn(row, choose);
            edits.push_back({&row, record, value});
            LayInto(after, row, record, value);
        }
        Run([&] { m_history.SetParameters("Paste", edits); });
        m_model.Act(std::move(after), m_tick);
        return "paste " + std::to_string(edits.size()) + " settings onto record " +
               std::to_string(record) + " of panel " + std::string(td7::PanelTitle(first.Panel));
    }

    std::string InstrumentName(TChoices& choose) {
        if (!m_present.InstrumentsPresent()) return "no instruments to name";
        const int i = static_cast<int>(choose.Pick(td7::kInstrumentCount));
        std::u32string name;
        for (int k = 0; k < td7::kNameChars; ++k) name += static_cast<char32_t>('A' + choose.Pick(4));
        TView after = m_model.Now;
        auto bytes = after.Record(RecordNumber(td7::Block::Instrument, i));
        for (std::size_t k = 0; k < name.size(); ++k)
            bytes[td7::kNameCharsAt - td7::kHeaderSize + k] = static_cast<std::uint8_t>(name[k]);
        Run([&] {
            m_history.RecordName(
                "Instrument Name", {td7::Block::Instrument, i, td7::PanelId::Inst}, td7::kNameCharsAt,
                td7::kNameChars,
                [i](int position, std::uint8_t character) {
                    return td7::InstrumentCharacterMessage(i, position, character);
                },
                [&] { td7::StoreInstrumentName(m_dumps.InstrumentDump, m_link, i, name); });
        });
        m_model.Act(std::move(after), m_tick);
        return "instrument " + std::to_string(i) + " named";
    }

    void FillSlot(TView& view, int p, const std::vector<Bytes>& data) const {
        const auto records = SlotRecords(p);
        for (std::size_t k = 0; k < records.size(); ++k) view.Put(records[k], data[k]);
        view.Flags[static_cast<std::size_t>(p)] = true;
    }

    void Command(const char* label, int p, const std::function<void()>& command) {
        Run([&] { m_history.RecordCommand(label, {td7::Block::Prog, p, {}}, td7::kPatchBlocks, command); });
    }

    std::string LoadPatch(TChoices& choose) {
        const int p = static_cast<int>(choose.Pick(td7::kPatchCount));
        const int k = static_cast<int>(choose.Pick(kKits));
        TView after = m_model.Now;
        FillSlot(after, p, m_kitData[static_cast<std::size_t>(k)]);
        Command("Load Patch", p, [&] { td7::LoadPatchFile(KitFile(k), m_dumps, m_present, p); });
        m_model.Act(std::move(after), m_tick);
        return "load kit " + std::to_string(k) + " into slot " + std::to_string(p);
    }

    // The empty-slot dialog's Initialize.
    std::string Initialize(TChoices& choose) {
        const int p = static_cast<int>(choose.Pick(td7::kPatchCount));
        if (m_present.PatchPresent(p)) return "slot " + std::to_string(p) + " is not empty";
        TView after = m_model.Now;
        FillSlot(after, p, m_defaultData);
        Command("Initialize Patch", p, [&] { td7::InitializePatch(m_dumps, m_present, p); });
        m_model.Act(std::move(after), m_tick);
        return "initialize slot " + std::to_string(p);
    }

    std::string MoveOrExchange(TChoices& choose, bool move) {
        const int s = static_cast<int>(choose.Pick(td7::kPatchCount));
        const int d = static_cast<int>(choose.Pick(td7::kPatchCount));
        if (s == d) return "no move";
        // The slots as the user sees them, then put in their new order.
        std::vector<std::pair<std::vector<Bytes>, bool>> slots;
        for (int p = 0; p < td7::kPatchCount; ++p) {
            std::vector<Bytes> records;
            for (int g : SlotRecords(p))
                records.emplace_back(m_model.Now.Record(g).begin(), m_model.Now.Record(g).end());
            slots.emplace_back(std::move(records), m_model.Now.Flags[static_cast<std::size_t>(p)]);
        }
        const auto from = static_cast<std::size_t>(s), to = static_cast<std::size_t>(d);
        if (move) {
            auto taken = std::move(slots[from]);
            slots.erase(slots.begin() + s);
            slots.insert(slots.begin() + d, std::move(taken));
        } else {
            std::swap(slots[from], slots[to]);
        }
        TView after = m_model.Now;
        for (int p = 0; p < td7::kPatchCount; ++p) {
            const auto& [records, flag] = slots[static_cast<std::size_t>(p)];
            FillSlot(after, p, records);
            after.Flags[static_cast<std::size_t>(p)] = flag;
        }
        if (move)
            Command("Move Patch", s, [&] { td7::MovePatch(m_dumps, m_present, s, d); });
        else
            Command("Exchange Patches", s, [&] { td7::ExchangePatch(m_dumps, m_present, s, d); });
        m_model.Act(std::move(after), m_tick);
        return std::string(move ? "move" : "exchange") + " slot " + std::to_string(s) + " and " +
               std::to_string(d);
    }

    std::string PutKit(TChoices& choose) {
        const int p = static_cast<int>(choose.Pick(td7::kPatchCount));
        const auto k = static_cast<std::size_t>(choose.Pick(kKits));
        TView after = m_model.Now;
        FillSlot(after, p, m_kitData[k]);
        Command("Put Kit", p, [&] {
            library::PutIntoMirror(library::TKind::Kit, m_kits[k], m_dumps, m_present, p);
        });
        m_model.Act(std::move(after), m_tick);
        return "put kit " + std::to_string(k) + " into slot " + std::to_string(p);
    }

    // A list of kits into slots 1..N, one step.
    std::string LoadIntoSlots(TChoices& choose) {
        const int n = 1 + static_cast<int>(choose.Pick(kKits));
        TView after = m_model.Now;
        for (int p = 0; p < n; ++p) FillSlot(after, p, m_kitData[static_cast<std::size_t>(p)]);
        Command("Load into Slots", 0, [&] {
            for (int p = 0; p < n; ++p)
                library::PutIntoMirror(library::TKind::Kit, m_kits[static_cast<std::size_t>(p)],
                                       m_dumps, m_present, p);
        });
        m_model.Act(std::move(after), m_tick);
        return "load " + std::to_string(n) + " kits into slots";
    }

    // The drummer changes something on the module itself.
    std::string ChangeOnModule(TChoices& choose) {
        const auto ordinal = static_cast<int>(choose.Pick(Td7Module::kBlockCount));
        const auto block = Td7Module::BlockAt(ordinal);
        auto data = m_link.Module.Data(block);
        data[choose.Pick(static_cast<unsigned>(data.size()))] =
            static_cast<std::uint8_t>(choose.Pick(0x80));
        return "a change on the module";
    }

    static std::span<const std::uint8_t> ModuleData(const Td7Module& module, const TRecordPlace& place) {
        switch (place.Kind) {
            case td7::Block::System:
                return module.Data(Td7Module::SystemBlock());
            case td7::Block::Prog:
                return module.Data(Td7Module::CommonBlock(place.Index));
            case td7::Block::Trigger:
                return module.Data(Td7Module::TriggerBlock(place.Index / td7::kTriggersPerPatch,
                                                           place.Index % td7::kTriggersPerPatch));
            case td7::Block::Notemap:
                return module.Data(Td7Module::NoteMapBlock(place.Index / td7::kNotesPerPatch,
                                                           place.Index % td7::kNotesPerPatch));
            case td7::Block::Instrument:
                return module.Data(Td7Module::InstrumentBlock(place.Index));
        }
        return {};
    }

    // The records came from the module: the model takes them from its memory.
    void ModelAnswered(const std::vector<int>& records, int flag) {
        for (int g : records) {
            m_model.Answered(g, ModuleData(m_link.Module, Places()[static_cast<std::size_t>(g)]));
            m_answeredAt[static_cast<std::size_t>(g)] = m_tick;
        }
        m_model.Now.Flags[static_cast<std::size_t>(flag)] = true;
        m_flagAnsweredAt[static_cast<std::size_t>(flag)] = m_tick;
    }

    std::string Request(TChoices& choose) {
        if (!m_link.Open) return "no output for a request";
        const unsigned which = choose.Pick(16);
        if (which == 0) {
            Run([&] { m_transfers.RequestAllPatches(); });
            for (int p = 0; p < td7::kPatchCount; ++p) ModelAnswered(SlotRecords(p), p);
            return "request all patches";
        }
        if (which < 4) {
            Run([&] { m_transfers.RequestInstruments(); });
            std::vector<int> records;
            for (int i = 0; i < td7::kInstrumentCount; ++i)
                records.push_back(RecordNumber(td7::Block::Instrument, i));
            ModelAnswered(records, kInstrumentFlag);
            return "request the instruments";
        }
        if (which < 8) {
            Run([&] { m_transfers.RequestSystem(); });
            ModelAnswered({RecordNumber(td7::Block::System, 0)}, kSystemFlag);
            return "request the system";
        }
        const int p = static_cast<int>(choose.Pick(td7::kPatchCount));
        Run([&] { m_transfers.RequestPatch(p); });
        ModelAnswered(SlotRecords(p), p);
        return "request patch " + std::to_string(p);
    }

    std::string Transmit(TChoices& choose) {
        if (!m_link.Open) return "no output for a transmission";
        TProgress progress;
        const unsigned which = choose.Pick(4);
        if (which == 0 && !PresentSlots().empty()) {
            Run([&] { m_transfers.TransmitAllPatches(progress); });
            return "transmit all patches";
        }
        if (which == 1 && m_present.InstrumentsPresent()) {
            Run([&] { m_transfers.TransmitInstruments(progress); });
            return "transmit the instruments";
        }
        if (which == 2 && m_present.SystemPresent()) {
            Run([&] { m_transfers.TransmitSystem(); });
            return "transmit the system";
        }
        const auto slots = PresentSlots();
        if (slots.empty()) return "nothing to transmit";
        const int p = slots[choose.Pick(static_cast<unsigned>(slots.size()))];
        Run([&] { m_transfers.TransmitPatch(p, progress); });
        return "transmit patch " + std::to_string(p);
    }

    std::string UndoOrRedo(bool undo) {
        if (undo ? !m_history.CanUndo() : !m_history.CanRedo())
            return undo ? "nothing to undo" : "nothing to redo";
        if (undo ? m_model.Done.empty() : m_model.Undone.empty()) {
            m_problem = "the history has a step that the model has not";
            return undo ? "undo" : "redo";
        }
        const TView before = View(m_dumps, m_present);
        Run([&] { undo ? m_history.Undo() : m_history.Redo(); });
        const TModel::Entry step = undo ? m_model.Undo() : m_model.Redo();
        // No step puts back what is older than an answer from the module.
        const TView after = View(m_dumps, m_present);
        for (std::size_t g = 0; g < Places().size(); ++g)
            if (!Same(before.Record(static_cast<int>(g)), after.Record(static_cast<int>(g))) &&
                m_answeredAt[g] > step.Made)
                m_problem = "record " + std::to_string(g) + " came back from before an answer";
        for (std::size_t f = 0; f < static_cast<std::size_t>(kFlagCount); ++f)
            if (before.Flags[f] != after.Flags[f] && m_flagAnsweredAt[f] > step.Made)
                m_problem = "flag " + std::to_string(f) + " came back from before an answer";
        return undo ? "undo" : "redo";
    }

    std::string ToggleOutput() {
        m_link.Open = !m_link.Open;
        return m_link.Open ? "output opened" : "output closed";
    }

    // Save Setup keeps the file; Load Setup takes one kept before and starts a new history.
    std::string SaveOrLoad(TChoices& choose) {
        if (m_saved.empty() || choose.Pick(2) == 0) {
            m_saved.emplace_back(td7::BuildSetupImage(m_dumps, m_present), m_model.Now);
            if (m_saved.size() > 3) m_saved.erase(m_saved.begin());
            m_history.MarkClean();
            return "save setup";
        }
        const auto& saved = m_saved[choose.Pick(static_cast<unsigned>(m_saved.size()))];
        const std::vector<std::uint8_t>& image = saved.first;
        const TView& view = saved.second;
        TView after = m_model.Now;
        // Every slot and the instruments take the state of their entry; the system block
        // only when its entry is present.
        for (std::size_t g = 0; g < Places().size(); ++g) {
            const int f = Places()[g].Flag;
            if (view.Flags[static_cast<std::size_t>(f)])
                after.Put(static_cast<int>(g), view.Record(static_cast<int>(g)));
        }
        for (int f = 0; f < kFlagCount; ++f)
            if (f != kSystemFlag || view.Flags[kSystemFlag])
                after.Flags[static_cast<std::size_t>(f)] = view.Flags[static_cast<std::size_t>(f)];
        Run([&] { td7::LoadSetupImage(image, m_dumps, m_present); });
        m_history.Clear();
        m_model.Now = std::move(after);
        m_model.NewHistory();
        return "load setup";
    }

    // Saving, then loading that file into a copy of the mirror, changes nothing.
    bool SavedLoadsAsIs() {
        const auto image = td7::BuildSetupImage(m_dumps, m_present);
        for (td7::Block block : td7::kAllBlocks) {
            midilink::TDumpCollection& from = m_dumps.Of(block);
            midilink::TDumpCollection& to = m_scratch.Of(block);
            for (int i = 0; i < from.Count(); ++i) to.Records(i).CopyFrom(from.Records(i).Data());
        }
        m_scratchPresent.Clear();
        td7::LoadSetupImage(image, m_scratch, m_scratchPresent);
        TView loaded = View(m_scratch, m_scratchPresent);
        // The system block of a file without it keeps the state it had.
        loaded.Flags[kSystemFlag] = m_present.SystemPresent();
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
    TModuleLink m_link;
    TAnswerWait m_wait{m_link};
    td7::TTd7Collections m_dumps{&m_link, {}, {}};
    td7::TPresentFlags m_present;
    td7::TTransfers m_transfers{m_dumps, m_present, m_link, m_wait};
    td7::TEditHistory m_history{m_dumps, m_present, m_link, static_cast<int>(kLimit)};
    td7::TTd7Collections m_scratch{nullptr, {}, {}};
    td7::TPresentFlags m_scratchPresent;
    TModel m_model{kLimit};
    std::vector<Bytes> m_kits;
    std::vector<std::vector<Bytes>> m_kitData;
    std::vector<Bytes> m_defaultData;
    std::vector<std::unique_ptr<midilink::TValueMidiCom>> m_bindings;
    std::vector<std::pair<std::vector<std::uint8_t>, TView>> m_saved;
    std::vector<long> m_answeredAt = std::vector<long>(Places().size(), -1);
    std::array<long, kFlagCount> m_flagAnsweredAt = [] {
        std::array<long, kFlagCount> a{};
        a.fill(-1);
        return a;
    }();
    long m_tick = 0;
    std::size_t m_row = 0;
    int m_turnRecord = -1;
    bool m_turnOpen = false;
    std::string m_problem;
};

}  // namespace historymodel
