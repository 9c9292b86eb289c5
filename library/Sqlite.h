#pragma once

// A small RAII layer over SQLite's C API: a connection, prepared statements and a
// transaction that rolls back unless committed. Every failure raises SqliteError with
// SQLite's own reason and the file's name, so that the user reads which file refused and why.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace library {

class SqliteError : public std::runtime_error {
  public:
    // what(): "The library FILE could not be used: REASON" (the reason alone without a file).
    SqliteError(const std::string& reason, int code, const std::string& file = {})
        : std::runtime_error(
              file.empty() ? reason : "The library " + file + " could not be used: " + reason),
          m_reason(reason),
          m_code(code) {}
    // SQLite's words ("database is locked").
    const std::string& Reason() const { return m_reason; }
    // SQLite's primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
    int Code() const { return m_code; }

  private:
    std::string m_reason;
    int m_code;
};

class TStatement;

class TDatabase {
  public:
    // Opens (creating when `create`) the file; read-write unless `readOnly`. `immutable`:
    // read without locks or the write-ahead log's index, for a file nobody can change.
    TDatabase(const std::string& path, bool create, bool readOnly = false, bool immutable = false);
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Runs one or more statements without results.
    void Execute(std::string_view sql);
    TStatement Prepare(std::string_view sql);
    std::int64_t LastInsertId() const;
    int Changes() const;
    sqlite3* Handle() const { return m_db; }

  private:
    sqlite3* m_db = nullptr;
};

class TStatement {
  public:
    TStatement(sqlite3* db, std::string_view sql);
    ~TStatement();
    TStatement(TStatement&& other) noexcept;
    TStatement& operator=(TStatement&&) = delete;
    TStatement(const TStatement&) = delete;

    // Parameters count from 1, as in SQLite.
    TStatement& Bind(int index, std::int64_t value);
    TStatement& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
    TStatement& Bind(int index, std::string_view text);
    TStatement& Bind(int index, std::span<const std::uint8_t> blob);

    // True while a row is there to read.
    bool Step();
    // Steps to the end (for statements without results).
    void Run();
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;
    bool IsNull(int column) const;

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// BEGIN IMMEDIATE at once (so a second writer waits at the start, within the busy timeout,
// instead of failing half-way), ROLLBACK unless Commit was called.
class TTransaction {
  public:
    explicit TTransaction(TDatabase& db);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();

  private:
    TDatabase& m_db;
    bool m_open = true;
};

}  // namespace library
