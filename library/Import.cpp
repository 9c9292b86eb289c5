#include "library/Library.h"

#include "library/FileScan.h"
#include "library/PreparedStatements.h"
#include "library/Sha256.h"
#include "library/Sqlite.h"

namespace library {

namespace fs = std::filesystem;

std::pair<ItemId, TLibrary::TAdded> TLibrary::AddInTransaction(TKind kind, std::span<const std::uint8_t> normal,
                                                   const std::string& origin, int slot,
                                                   const std::string& name,
                                                   const std::string& now) {
    auto& sql = *m_sql;
    const std::string hash = Sha256Hex(normal);
    sql.FindHash.Bind(1, hash);
    const bool known = sql.FindHash.Step();
    ItemId id = known ? sql.FindHash.Int(0) : 0;
    sql.FindHash.Reset();
    if (!known) {
        const std::string itemName = kind == TKind::Kit ? KitName(normal) : name;
        sql.InsertItem.Bind(1, hash)
            .Bind(2, static_cast<int>(kind))
            .Bind(3, itemName)
            .Bind(4, now)
            .Run();
        id = m_db->LastInsertId();
        sql.InsertBytes.Bind(1, id).Bind(2, normal).Run();
    }
    bool restored = false;
    if (known) {
        m_db->Prepare("UPDATE items SET deleted = NULL WHERE id = ? AND deleted IS NOT NULL")
            .Bind(1, id)
            .Run();
        restored = m_db->Changes() > 0;
    }
    sql.InsertSource.Bind(1, id).Bind(2, origin).Bind(3, slot).Bind(4, now).Run();
    if (m_db->Changes() > 0) {
        sql.CountSource.Bind(1, id).Run();
        RefreshSearch(id);
    }
    return {id, !known ? TAdded::New : restored ? TAdded::Restored : TAdded::Known};
}

std::pair<ItemId, bool> TLibrary::Add(TKind kind, std::span<const std::uint8_t> bytes,
                                      const std::string& origin, int slot,
                                      const std::string& name) {
    const Bytes normal = Normalise(kind, bytes);
    TTransaction transaction(*m_db);
    const auto result = AddInTransaction(kind, normal, origin, slot, name, NowText());
    transaction.Commit();
    return {result.first, result.second == TAdded::New};
}

int TLibrary::AddAll(std::span<const TPiece> pieces, const std::string& origin) {
    const std::string now = NowText();
    TTransaction transaction(*m_db);
    int added = 0;
    for (const auto& piece : pieces) {
        const Bytes normal = Normalise(piece.Kind, piece.Data);
        // Instrument sets and system blocks are named after where they came from.
        if (AddInTransaction(piece.Kind, normal, origin, piece.Slot, origin, now).second ==
            TAdded::New)
            ++added;
    }
    transaction.Commit();
    return added;
}

void TLibrary::ImportFile(const fs::path& file, TImportReport& report) {
    const std::string shown = file.string();
    TScan scan;
    try {
        scan = ScanFile(file);
    } catch (const std::exception& error) {
        report.Problems.push_back(shown + ": " + error.what());
        return;
    }
    for (const auto& damage : scan.Damage) report.Problems.push_back(shown + ": " + damage);
    if (!scan.Rescued.empty()) report.Problems.push_back(scan.Rescued);
    // A file of which nothing came in was not imported; its damage says why.
    if (scan.Items.empty()) return;
    ++report.Files;
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    const std::string origin = (error ? file : absolute.lexically_normal()).string();
    const std::string now = NowText();
    // Instrument sets and system blocks have no name of their own: they take the file's.
    const std::string name = file.stem().string();
    TTransaction transaction(*m_db);
    for (const auto& item : scan.Items) {
        switch (AddInTransaction(item.Kind, item.Data, origin, item.Slot, name, now).second) {
            case TAdded::New:
                ++report.Added;
                break;
            case TAdded::Known:
                ++report.Known;
                break;
            case TAdded::Restored:
                ++report.Restored;
                break;
        }
    }
    transaction.Commit();
}

namespace {

std::string Counts(const TImportReport& report) {
    std::string text = std::to_string(report.Added) + " new, " + std::to_string(report.Known) +
                       " already in the library";
    if (report.Restored > 0)
        text += ", " + std::to_string(report.Restored) + " back from the Deleted view";
    return text;
}

std::string FileCount(int files) {
    return std::to_string(files) + (files == 1 ? " file" : " files");
}

}  // namespace

std::string ImportSummary(const TImportReport& report) {
    return (report.Cancelled ? "Import cancelled after " : "Imported ") + FileCount(report.Files) +
           ": " + Counts(report);
}

TImportReport TLibrary::Import(std::span<const fs::path> paths, const ImportProgress& progress) {
    TImportReport report;
    std::vector<fs::path> files;
    for (const auto& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            const auto found = FindLibraryFiles(path, report.Problems);
            files.insert(files.end(), found.begin(), found.end());
        } else {
            files.push_back(path);
        }
    }
    const int total = static_cast<int>(files.size());
    for (int k = 0; k < total; ++k) {
        const auto& file = files[static_cast<std::size_t>(k)];
        if (progress && !progress(file, k, total)) {
            report.Cancelled = true;
            break;
        }
        try {
            ImportFile(file, report);
        } catch (const SqliteError& error) {
            // A full disk, say: each file before this one is in the library, whole.
            throw LibraryError(std::string(error.what()) + "\nImport stopped at " +
                               file.string() + "; the " + FileCount(report.Files) +
                               " before it came in: " + Counts(report));
        }
    }
    if (progress && !report.Cancelled) progress({}, total, total);
    return report;
}

}  // namespace library
