#include "library/Sqlite.h"

#include <sqlite3.h>

#include "library/CaseFold.h"

namespace library {

namespace {

// fold(text): the text with letters of any case as one, for comparing tags.
void FoldFunction(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* text = sqlite3_value_text(values[0]);
    if (text == nullptr) return sqlite3_result_null(context);
    const std::string folded = FoldCase(reinterpret_cast<const char*>(text));
    sqlite3_result_text(context, folded.c_str(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

// The file as it was opened (SQLite's own name for it is absolute).
std::string FileOf(sqlite3* db) {
    const char* name = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
    return name != nullptr ? name : "";
}

[[noreturn]] void Fail(sqlite3* db, int code) {
    const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw SqliteError(text != nullptr ? text : sqlite3_errstr(code), code & 0xFF, FileOf(db));
}

void Check(sqlite3* db, int code) {
    if (code != SQLITE_OK) Fail(db, code);
}

}  // namespace

TDatabase::TDatabase(const std::string& path, bool create, bool readOnly, bool immutable) {
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create && !readOnly) flags |= SQLITE_OPEN_CREATE;
    flags |= SQLITE_OPEN_NOMUTEX;
    std::string name = path;
    if (immutable) {
        name = "file:";
        for (char c : path) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            const auto byte = static_cast<unsigned char>(c);
            if (c == '%' || c == '?' || c == '#')
                name += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
            else
                name += c;
        }
        name += "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    const int code = sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string text = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw SqliteError(text, code & 0xFF, path);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_create_function(m_db, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            FoldFunction, nullptr, nullptr);
}

TDatabase::~TDatabase() {
    sqlite3_close_v2(m_db);
}

void TDatabase::Execute(std::string_view sql) {
    const std::string text(sql);
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string reason = message != nullptr ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw SqliteError(reason, code & 0xFF, FileOf(m_db));
    }
}

TStatement TDatabase::Prepare(std::string_view sql) {
    return TStatement(m_db, sql);
}

std::int64_t TDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

int TDatabase::Changes() const {
    return sqlite3_changes(m_db);
}

TStatement::TStatement(sqlite3* db, std::string_view sql) : m_db(db) {
    Check(m_db,
          sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr));
}

TStatement::~TStatement() {
    sqlite3_finalize(m_stmt);
}

TStatement::TStatement(TStatement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

TStatement& TStatement::Bind(int index, std::int64_t value) {
    Check(m_db, sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

TStatement& TStatement::Bind(int index, std::string_view text) {
    Check(m_db, sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

TStatement& TStatement::Bind(int index, std::span<const std::uint8_t> blob) {
    Check(m_db, sqlite3_bind_blob(m_stmt, index, blob.data(), static_cast<int>(blob.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

bool TStatement::Step() {
    const int code = sqlite3_step(m_stmt);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    sqlite3_reset(m_stmt);
    Fail(m_db, code);
}

void TStatement::Run() {
    while (Step()) {
    }
    Reset();
}

void TStatement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t TStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string TStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
}

std::vector<std::uint8_t> TStatement::Blob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data != nullptr ? std::vector<std::uint8_t>(data, data + size)
                           : std::vector<std::uint8_t>();
}

bool TStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

TTransaction::TTransaction(TDatabase& db) : m_db(db) {
    m_db.Execute("BEGIN IMMEDIATE");
}

TTransaction::~TTransaction() {
    if (!m_open) return;
    try {
        m_db.Execute("ROLLBACK");
    } catch (const SqliteError&) {
        // SQLite may have rolled back already (after an I/O error); nothing is left to undo.
    }
}

void TTransaction::Commit() {
    m_db.Execute("COMMIT");
    m_open = false;
}

}  // namespace library
