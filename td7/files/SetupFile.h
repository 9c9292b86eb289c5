#pragma once

// The setup file (".td7"): everything the mirror holds in one file. After the signature
// "TD7Setup10" come 32 patch entries, an instrument entry and an optional system entry,
// each a flag byte (01 present, 00 empty) followed, when present, by the block's records.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "td7/files/FileIo.h"
#include "td7/map/RecordRun.h"

namespace td7 {

class TTd7Collections;
class TPresentFlags;

inline constexpr std::string_view kSetupSignature = "TD7Setup10";
inline constexpr std::uint8_t kEntryPresent = 0x01;
inline constexpr std::uint8_t kEntryEmpty = 0x00;

inline constexpr const char* kNotSetupFileError = "Not a TD7 setup file...";
inline constexpr const char* kSetupExtensionError = "Other extension than \".td7\" not allowed";
inline constexpr const char* kFileNotFoundError = "File %s not found.";
// Asked by "Load Setup..." (yes/no) while the setup holds unsaved changes.
inline constexpr const char* kSaveChangedSetupQuestion =
    "The current setup is changed, do you want to save it?";

inline constexpr const char* kSetupExtension = ".td7";
inline constexpr const char* kSetupFilter = "TD7 Data|*.td7";
inline constexpr const char* kSetupDefaultExtension = "TD7";
inline constexpr const char* kOpenSetupTitle = "Open TD7 Setup...";
inline constexpr const char* kSaveSetupTitle = "Save TD7 Setup...";
inline constexpr const char* kUntitledSetupName = "Untitled.td7";

// Signature, every slot, the instruments and the system block all present.
std::size_t MaxSetupBytes();

// What goes into a setup image, each part as the records' bytes; an empty part is written
// as an empty entry.
struct TSetupParts {
    std::array<std::vector<std::uint8_t>, kPatchCount> Patches;  // slot p's 1575 bytes
    std::vector<std::uint8_t> Instruments;
    std::vector<std::uint8_t> System;
};

// The one writer of setup images: every entry, the system entry included.
std::vector<std::uint8_t> SetupImage(const TSetupParts& parts);

// The whole file as saving writes it, from the mirror.
std::vector<std::uint8_t> BuildSetupImage(TTd7Collections& dumps, const TPresentFlags& present);
// How many damaged records that file keeps as they were read (see WriteRuns).
int SetupDamagedRecords(TTd7Collections& dumps, const TPresentFlags& present);

// A present entry of a setup image and where its records lie in it.
enum class TSetupPart { Patch, Instruments, System };
struct TSetupEntry {
    TSetupPart Part;
    int Slot;        // the patch's slot, 0..31; 0 for the others
    std::size_t At;  // the first record's offset in the image
    // The entry's records, in the order the image holds them.
    std::vector<TRecordRun> Runs() const;
    std::size_t Bytes() const { return static_cast<std::size_t>(RunBytes(Runs())); }
};

// The one reader of setup images: the present entries, in file order, once the whole
// image is checked (signature, every entry complete, flags 00 or 01 only, nothing after
// the last entry; the system entry may be missing, as earlier files end after the
// instrument entry). FileError "Not a TD7 setup file..." otherwise.
std::vector<TSetupEntry> SetupEntries(std::span<const std::uint8_t> image);

// Checks the whole image before any record is touched: the signature, every entry
// complete, flags 00 or 01 only, nothing after the last entry. Anything else raises
// FileError "Not a TD7 setup file..." and changes nothing. A valid image is read into the
// slots, the instruments and the system block: every slot and the instruments take the
// state of their flag; the system block becomes present with a present entry and keeps
// its state otherwise (earlier files end after the instrument entry).
void LoadSetupImage(std::span<const std::uint8_t> image, TTd7Collections& dumps,
                    TPresentFlags& present);

// The extension rule of "Save Setup...": ".td7" in any case.
bool HasSetupExtension(const std::filesystem::path& path);

// Which setup to load at start. A first argument with the ".td7" extension is taken when
// the file exists; when it does not, `Error` holds "File <argument> not found." and the
// last setup is taken instead. A last setup that no longer exists is dropped silently.
struct TStartupSetup {
    std::string FileName;  // empty: start without a setup
    std::string Error;     // to show before loading, when not empty
};
TStartupSetup ChooseStartupSetup(std::span<const std::string> arguments,
                                 const std::string& lastSetup);

// The setup as a document: its current file name, loading and saving. The name changes
// only after a load or a save succeeded, so a failed save leaves both the old file and the
// name (and with it the caption) as they were.
class TSetupFile {
  public:
    TSetupFile(TTd7Collections& dumps, TPresentFlags& present, SinkFactory openSink = OpenFileSink);
    TSetupFile(const TSetupFile&) = delete;
    TSetupFile& operator=(const TSetupFile&) = delete;

    // Full path of the setup last loaded or saved; empty when it has none.
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(const std::string& name);
    // What the caption shows: the file name part, or "Untitled.td7".
    std::string CaptionName() const;

    // Whether any of the five collections holds unsaved changes; clearing them all.
    bool Modified() const;
    void SetModified(bool value);

    // Saves to `path` (the close query's save); the file name follows on success. Both
    // return how many damaged records the file keeps as they were read.
    int SaveTo(const std::filesystem::path& path);
    // "Save Setup..." with the name from its dialog: FileError "Other extension than
    // ".td7" not allowed" writes nothing; otherwise saves and clears Modified.
    int SaveSetupAs(const std::filesystem::path& path);
    // Loads the file (FileError when it cannot be read or is no setup file; nothing
    // changes then), clears Modified and takes the name. The caller then selects the
    // current patch.
    void Load(const std::filesystem::path& path);

    std::function<void(TSetupFile* sender)> OnFileNameChange;

  private:
    TTd7Collections& m_dumps;
    TPresentFlags& m_present;
    SinkFactory m_openSink;
    std::string m_fileName;
};

}  // namespace td7
