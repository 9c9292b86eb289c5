#include "td7/history/EditHistory.h"

#include <algorithm>
#include <utility>

#include "midilink/DumpCollection.h"
#include "midilink/MidiCom.h"
#include "midilink/MidiDump.h"
#include "midilink/MidiLink.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"

namespace td7 {

namespace {

// The history's own changes are not "besides" the steps, however they end.
class ApplyingScope {
  public:
    explicit ApplyingScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~ApplyingScope() { m_flag = m_was; }
    ApplyingScope(const ApplyingScope&) = delete;
    ApplyingScope& operator=(const ApplyingScope&) = delete;

  private:
    bool& m_flag;
    bool m_was;
};

TEditHistory::Bytes BytesOf(const midilink::TMidiDump& record, int at, int count) {
    const std::uint8_t* data = record.Data();
    return {data + at, data + at + count};
}

// Bytes kept in place: a reused step's change holds as many already, and a parameter's one
// or two are copied without a call.
void LayBytes(TEditHistory::Bytes& kept, const std::uint8_t* bytes, int count) {
    const auto n = static_cast<std::size_t>(count);
    if (kept.size() != n)
        kept.assign(bytes, n);
    else
        for (std::size_t k = 0; k < n; ++k) kept[k] = bytes[k];
}

// Runs a user's command and remembers what it changed, also when it raises part-way: what
// it changed stays, so undo must be able to take it back.
void RunThenRemember(bool& applying, const std::function<void()>& command,
                     const std::function<void()>& remember) {
    ApplyingScope scope(applying);
    try {
        command();
    } catch (...) {
        remember();
        throw;
    }
    remember();
}

std::string TrimmedCaption(std::string_view caption) {
    while (!caption.empty() && (caption.back() == ':' || caption.back() == ' '))
        caption.remove_suffix(1);
    return std::string(caption);
}

}  // namespace

TEditHistory::TEditHistory(TTd7Collections& dumps, TPresentFlags& present,
                           midilink::TMidiLink& link, int limit)
    : m_dumps(dumps), m_present(present), m_link(link), m_limit(std::max(limit, 1)) {}

TEditHistory::~TEditHistory() = default;

void TEditHistory::SetBinding(midilink::TValueMidiCom& binding, const TParameter& parameter,
                              std::int32_t value) {
    midilink::TDumpCollection* dump = binding.MidiDump();
    const int count = binding.ByteCount();
    const int at = binding.DumpIndex();
    // Where the binding cannot write, SetValue says why; there is nothing to remember.
    if (!dump || dump->Index() < 0 || at < 0 || at + count > dump->Size()) {
        m_open = false;
        binding.SetValue(value);
        return;
    }
    const int record = dump->Index();
    const std::uint8_t* bytes = dump->Records(record).Data() + at;
    // A knob drag calls here for every pixel: the open step is extended without allocating.
    const std::array<std::uint8_t, 2> before = {bytes[0], count > 1 ? bytes[1] : std::uint8_t{0}};

    // The change is remembered even when sending it fails: the mirror holds it.
    auto remember = [&] {
        const std::array<std::uint8_t, 2> after = {bytes[0],
                                                   count > 1 ? bytes[1] : std::uint8_t{0}};
        Step* last = m_open && m_done == Count() && m_done > 0 ? &At(m_done - 1) : nullptr;
        if (last && last->MergeKey == &binding && last->Changes.size() == 1 &&
            last->Changes.front().Record == record) {
            Change& open = last->Changes.front();
            std::copy_n(after.begin(), count, open.After.begin());
            open.SentAfter = binding.StoredFor(value);
            if (open.After == open.Before) {
                // Back where the step began: the step is gone.
                --m_count;
                --m_done;
                if (m_clean > m_done) m_clean = -1;
                m_open = false;
                Changed();
            }
            return;
        }
        m_open = false;
        if (after == before) return;
        // Filled in place: a knob's step reuses the storage of the step it replaces.
        Step& step = Claim();
        step.Parameter = &parameter;
        step.Place = {parameter.Collection, record, parameter.Panel};
        step.MergeKey = &binding;
        step.Changes.resize(1);
        Change& change = step.Changes.front();
        change.Collection = parameter.Collection;
        change.Record = record;
        change.At = at;
        LayBytes(change.Before, before.data(), count);
        LayBytes(change.After, after.data(), count);
        // The template as the binding has it now (the panels retarget it later); once the
        // ring is full, the text goes into the storage of the step replaced.
        change.Command = binding.MidiCommand();
        change.UndoCommand.clear();
        change.SentBefore = binding.StoredFor(binding.ReadValue(before.data()));
        change.SentAfter = binding.StoredFor(value);
        change.Checksum = binding.ChecksumType();
        change.WholeRecord = false;
        change.MarkBefore.reset();
        change.MarkAfter.reset();
        Changed();
        m_open = true;
    };
    ApplyingScope applying(m_applying);
    try {
        binding.SetValue(value);
    } catch (...) {
        if (bytes[0] != before[0] || (count > 1 && bytes[1] != before[1])) remember();
        throw;
    }
    remember();
}

int TEditHistory::SetParameters(std::string label, const std::vector<TParameterEdit>& edits) {
    Step step;
    step.Label = std::move(label);
    for (const TParameterEdit& edit : edits) {
        const TParameter& parameter = *edit.Parameter;
        midilink::TValueMidiCom com;
        ConfigureArithmetic(com, parameter);
        const midilink::TMidiDump& stored = m_dumps.Of(parameter.Collection).Records(edit.Record);
        const int count = com.ByteCount();
        std::uint8_t laid[2];
        com.LayValue(edit.Value, laid);
        Change change{.Collection = parameter.Collection,
                      .Record = edit.Record,
                      .At = parameter.DumpIndex,
                      .Before = BytesOf(stored, parameter.DumpIndex, count),
                      .After = {laid, laid + count},
                      .SentAfter = com.StoredFor(edit.Value)};
        if (change.After == change.Before) continue;
        change.SentBefore = com.StoredFor(com.ReadValue(change.Before.data()));
        change.Command = Retargetable(parameter.Panel)
                             ? RetargetTemplate(parameter.MidiCommand,
                                                RecordSelection(parameter.Collection, edit.Record))
                             : std::string(parameter.MidiCommand);
        if (step.Changes.empty()) step.Place = {parameter.Collection, edit.Record, parameter.Panel};
        step.Changes.push_back(std::move(change));
    }
    const int changed = static_cast<int>(step.Changes.size());
    if (changed == 0) return 0;
    m_open = false;
    Push(std::move(step));
    // Done as a redo is: every byte first, then the messages.
    --m_done;
    Apply(At(m_done), false, "change");
    return changed;
}

void TEditHistory::RecordName(std::string label, TEditPlace place, int first, int count,
                              const NameMessage& messageFor, const std::function<void()>& command) {
    m_open = false;
    midilink::TMidiDump& stored = m_dumps.Of(place.Collection).Records(place.Record);
    const TEditHistory::Bytes before = BytesOf(stored, first, count);
    auto remember = [&] {
        const TEditHistory::Bytes after = BytesOf(stored, first, count);
        Step step;
        step.Label = std::move(label);
        step.Place = place;
        for (int k = 0; k < count; ++k) {
            const auto i = static_cast<std::size_t>(k);
            if (before[i] == after[i]) continue;
            Change change{.Collection = place.Collection,
                          .Record = place.Record,
                          .At = first + k,
                          .Before = Bytes(1, before[i]),
                          .After = Bytes(1, after[i]),
                          .Command = messageFor(first + k, after[i]),
                          .UndoCommand = messageFor(first + k, before[i]),
                          .SentBefore = before[i],
                          .SentAfter = after[i]};
            step.Changes.push_back(std::move(change));
        }
        if (!step.Changes.empty()) Push(std::move(step));
    };
    RunThenRemember(m_applying, command, remember);
}

void TEditHistory::RecordCommand(std::string label, TEditPlace place, std::span<const Block> blocks,
                                 const std::function<void()>& command) {
    m_open = false;
    std::vector<std::vector<Bytes>> before;
    for (Block block : blocks) {
        midilink::TDumpCollection& dump = m_dumps.Of(block);
        auto& records = before.emplace_back();
        records.reserve(static_cast<std::size_t>(dump.Count()));
        for (int i = 0; i < dump.Count(); ++i)
            records.push_back(BytesOf(dump.Records(i), 0, dump.Size()));
    }
    // Marks are few, mostly none: looked up only when there are any.
    const bool marked = !m_dumps.Damaged.Empty();
    std::vector<std::vector<std::optional<TDamagedRecords::TMark>>> marksBefore;
    if (marked)
        for (Block block : blocks) {
            midilink::TDumpCollection& dump = m_dumps.Of(block);
            auto& marks = marksBefore.emplace_back();
            for (int i = 0; i < dump.Count(); ++i)
                marks.push_back(m_dumps.Damaged.MarkOf(dump.Records(i)));
        }
    std::array<bool, kSystemFlag + 1> flagsBefore{};
    for (int f = 0; f <= kSystemFlag; ++f) flagsBefore[static_cast<std::size_t>(f)] = FlagNow(f);
    auto remember = [&] {
        Step step;
        step.Label = std::move(label);
        step.Place = place;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            midilink::TDumpCollection& dump = m_dumps.Of(blocks[b]);
            for (int i = 0; i < dump.Count(); ++i) {
                auto& old = before[b][static_cast<std::size_t>(i)];
                midilink::TMidiDump& record = dump.Records(i);
                Bytes now = BytesOf(record, 0, dump.Size());
                std::optional<TDamagedRecords::TMark> markBefore;
                if (marked) markBefore = std::move(marksBefore[b][static_cast<std::size_t>(i)]);
                const bool wasDamaged =
                    markBefore &&
                    TDamagedRecords::Holds(*markBefore, old.data(), static_cast<int>(old.size()));
                // Headers and checksums are made afresh for every message: a record whose
                // data bytes are as they were did not change, unless a file's damage came
                // or went with them.
                if (std::equal(now.begin() + kHeaderSize, now.end() - 2,
                               old.begin() + kHeaderSize) &&
                    wasDamaged == !m_dumps.Damaged.Fault(record).empty())
                    continue;
                step.Changes.push_back({.Collection = blocks[b],
                                        .Record = i,
                                        .Before = std::move(old),
                                        .After = std::move(now),
                                        .Checksum = midilink::ctNone,
                                        .WholeRecord = true,
                                        .MarkBefore = std::move(markBefore),
                                        .MarkAfter = m_dumps.Damaged.MarkOf(record)});
            }
        }
        for (int f = 0; f <= kSystemFlag; ++f) {
            const bool was = flagsBefore[static_cast<std::size_t>(f)];
            if (FlagNow(f) != was) step.Flags.push_back({f, was, !was});
        }
        if (!step.Changes.empty() || !step.Flags.empty()) Push(std::move(step));
    };
    RunThenRemember(m_applying, command, remember);
}

bool TEditHistory::Touches(const Step& step, Block block, int record, int flag) {
    return std::any_of(step.Changes.begin(), step.Changes.end(),
                       [&](const Change& c) { return c.Collection == block && c.Record == record; }) ||
           std::any_of(step.Flags.begin(), step.Flags.end(),
                       [&](const TFlagChange& f) { return f.Flag == flag; });
}

void TEditHistory::Stored(const std::uint8_t* message, int length) {
    if (length < kHeaderSize) return;
    const Address address = {message[5], message[6], message[7], message[8]};
    if (const auto record = RecordAtAddress(address)) Stored(record->first, record->second);
}

void TEditHistory::Stored(Block block, int record) {
    const int flag = FlagOfRecord(block, record);
    // The newest step done that changed it: it and every older one go. Those after it
    // changed other records only, so undoing them still finds what they left.
    int gone = 0;
    for (int i = m_done; i-- > 0;)
        if (Touches(At(i), block, record, flag)) {
            gone = i + 1;
            break;
        }
    // The first step undone that changed it: it and every later one go.
    int kept = m_count;
    for (int i = m_done; i < m_count; ++i)
        if (Touches(At(i), block, record, flag)) {
            kept = i;
            break;
        }
    if (gone == 0 && kept == m_count) return;
    m_open = false;
    if (m_clean > kept) m_clean = -1;
    m_count = kept;
    if (gone > 0) {
        // The ring starts at its first place again, so that it can still grow in order.
        std::rotate(m_ring.begin(), m_ring.begin() + m_first, m_ring.end());
        std::rotate(m_ring.begin(), m_ring.begin() + gone, m_ring.end());
        m_first = 0;
        m_count -= gone;
        m_done -= gone;
        m_clean = m_clean >= gone ? m_clean - gone : -1;
    }
    Changed();
}

TEditHistory::Step& TEditHistory::Claim() {
    if (m_clean > m_done) m_clean = -1;
    m_count = m_done;
    Step* slot = nullptr;
    if (m_count == m_limit) {
        // The oldest goes; its place is the newest's.
        slot = &At(0);
        m_first = m_first + 1 < Ring() ? m_first + 1 : 0;
        --m_count;
        --m_done;
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
    } else if (m_count == Ring()) {
        slot = &m_ring.emplace_back();
    } else {
        slot = &At(m_count);
    }
    ++m_count;
    ++m_done;
    slot->Label.clear();
    slot->Parameter = nullptr;
    slot->Place = {};
    // The changes keep their storage for a step filled in place; Push replaces them whole.
    slot->Flags.clear();
    slot->MergeKey = nullptr;
    return *slot;
}

void TEditHistory::Push(Step step) {
    Claim() = std::move(step);
    Changed();
}

void TEditHistory::Apply(Step& step, bool undo, const char* what) {
    ApplyingScope applying(m_applying);
    m_open = false;
    if (OnSelect) OnSelect(step.Place);
    bool wholeRecords = false;
    for (const Change& change : step.Changes) {
        midilink::TMidiDump& record = m_dumps.Of(change.Collection).Records(change.Record);
        const auto& bytes = undo ? change.Before : change.After;
        for (std::size_t k = 0; k < bytes.size(); ++k)
            record.SetBytes(change.At + static_cast<int>(k), bytes[k]);
        if (change.WholeRecord)
            m_dumps.Damaged.SetMark(record, undo ? change.MarkBefore : change.MarkAfter);
        wholeRecords = wholeRecords || change.Command.empty();
    }
    for (const TFlagChange& flag : step.Flags) SetFlag(flag.Flag, undo ? flag.Before : flag.After);
    m_done += undo ? -1 : 1;
    if (IsClean())
        for (Block block : kAllBlocks) m_dumps.Of(block).SetModified(false);
    ShowChanges(step);
    if (OnApplied) OnApplied(step.Place, wholeRecords);
    Changed();

    const auto failed = [&](const std::string& why) {
        return EditSendError("The module did not get the " + std::string(what) + " of " +
                             LabelOf(step) + ": " + why);
    };
    const bool sends = std::any_of(step.Changes.begin(), step.Changes.end(),
                                   [](const Change& c) { return !c.Command.empty(); });
    // Nowhere to send: the mirror changed, as an edit changes it with no output open.
    if (sends && OutputOpen && !OutputOpen()) return;
    for (const Change& change : step.Changes) {
        if (change.Command.empty()) continue;
        try {
            const std::string& command =
                undo && !change.UndoCommand.empty() ? change.UndoCommand : change.Command;
            m_link.SendCommand(command, undo ? change.SentBefore : change.SentAfter,
                               change.Checksum);
        } catch (const std::exception& e) {
            throw failed(e.what());
        }
    }
}

// The controls of the records on show follow, without sending: those of a changed parameter,
// or all of a collection whose current record came back whole.
void TEditHistory::ShowChanges(const Step& step) {
    std::vector<midilink::TDumpCollection*> whole;
    for (const Change& change : step.Changes) {
        midilink::TDumpCollection& dump = m_dumps.Of(change.Collection);
        if (dump.Index() != change.Record) continue;
        if (change.Command.empty()) {
            if (std::find(whole.begin(), whole.end(), &dump) == whole.end()) whole.push_back(&dump);
            continue;
        }
        const int end = change.At + static_cast<int>(change.After.size());
        for (midilink::TMidiCom* com : dump.Coms())
            if (com->DumpIndex() < end && com->DumpIndex() + com->ByteCount() > change.At)
                com->UpdateFromDump();
    }
    for (midilink::TDumpCollection* dump : whole) dump->UpdateComs();
}

void TEditHistory::Undo() {
    if (!CanUndo()) return;
    Apply(At(m_done - 1), true, "undo");
}

void TEditHistory::Redo() {
    if (!CanRedo()) return;
    Apply(At(m_done), false, "redo");
}

std::string TEditHistory::UndoText() const {
    return CanUndo() ? LabelOf(At(m_done - 1)) : std::string();
}

std::string TEditHistory::RedoText() const {
    return CanRedo() ? LabelOf(At(m_done)) : std::string();
}

std::string TEditHistory::LabelOf(const Step& step) {
    return step.Parameter ? StepLabel(*step.Parameter) : step.Label;
}

void TEditHistory::Clear() {
    m_ring.clear();
    m_first = 0;
    m_count = 0;
    m_done = 0;
    m_clean = 0;
    m_open = false;
    Changed();
}

void TEditHistory::MarkClean() {
    m_clean = m_done;
    m_open = false;
    Changed();
}

void TEditHistory::ForgetClean() {
    if (m_clean < 0) return;
    m_clean = -1;
    Changed();
}

void TEditHistory::Changed() {
    // Reported only when undo or redo becomes possible or impossible: an edit in the middle
    // of an evening's work changes neither.
    const std::pair<bool, bool> now{CanUndo(), CanRedo()};
    if (now == m_reported) return;
    m_reported = now;
    if (OnChange) OnChange();
}

bool TEditHistory::FlagNow(int flag) const {
    if (flag == kInstrumentsFlag) return m_present.InstrumentsPresent();
    if (flag == kSystemFlag) return m_present.SystemPresent();
    return m_present.PatchPresent(flag);
}

void TEditHistory::SetFlag(int flag, bool on) {
    if (flag == kInstrumentsFlag)
        m_present.SetInstrumentsPresent(on);
    else if (flag == kSystemFlag)
        m_present.SetSystemPresent(on);
    else
        m_present.SetPatchPresent(flag, on);
}

int FlagOfRecord(Block block, int record) {
    switch (block) {
        case Block::System:
            return kSystemFlag;
        case Block::Instrument:
            return kInstrumentsFlag;
        default:
            return PatchOfRecord(block, record);
    }
}

std::string StepLabel(const TParameter& parameter) {
    std::string name = TrimmedCaption(parameter.Caption);
    if (name.empty()) name = std::string(parameter.Hint.empty() ? parameter.Name : parameter.Hint);
    return name + " (" + std::string(PanelTitle(parameter.Panel)) + ")";
}

Selection RecordSelection(Block block, int record) {
    switch (block) {
        case Block::Prog:
            return PatchSelection(record);
        case Block::Trigger:
            return TriggerSelection(record / kTriggersPerPatch, record % kTriggersPerPatch);
        case Block::Notemap:
            return NotemapSelection(record / kNotesPerPatch, record % kNotesPerPatch);
        case Block::Instrument:
            return InstrumentSelection(record);
        case Block::System:
            break;
    }
    return {0, 0};
}

}  // namespace td7
