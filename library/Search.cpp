#include "library/Library.h"

#include <algorithm>
#include <span>
#include <optional>
#include <set>

#include <sqlite3.h>

#include "library/CaseFold.h"
#include "library/ItemRow.h"
#include "library/PreparedStatements.h"
#include "library/Sqlite.h"

namespace library {

namespace {

// Characters, not bytes: "Üb" is two letters in three bytes of UTF-8.
std::size_t Letters(const std::string& word) {
    return static_cast<std::size_t>(std::count_if(word.begin(), word.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The conditions joined by AND as a balanced tree: SQLite refuses an expression nested
// 1000 deep, which a chain of a thousand words would be.
std::string AllOf(std::span<const std::string> conditions) {
    if (conditions.size() == 1) return conditions.front();
    const std::size_t half = conditions.size() / 2;
    return "(" + AllOf(conditions.first(half)) + " AND " + AllOf(conditions.subspan(half)) + ")";
}

// The fragment as an FTS5 string: in double quotes, inner quotes doubled.
std::string Quoted(const std::string& word) {
    std::string text = "\"";
    for (char c : word) {
        if (c == '"') text += '"';
        text += c;
    }
    return text + "\"";
}

std::string LikeEscaped(const std::string& word) {
    std::string text;
    for (char c : word) {
        if (c == '%' || c == '_' || c == '\\') text += '\\';
        text += c;
    }
    return text;
}

std::string LikePattern(const std::string& word) {
    return "%" + LikeEscaped(word) + "%";
}

// The WHERE clause of a filter and its parameters, in order.
// A parameter: text, or a number when `Text` is unset.
struct TValue {
    TValue(std::string text) : Text(std::move(text)) {}
    TValue(std::int64_t number) : Number(number) {}
    std::optional<std::string> Text;
    std::int64_t Number = 0;
};

struct TWhere {
    std::string Sql;
    std::vector<TValue> Values;
};

// One part of a search as the user typed it.
struct TTerm {
    std::string Field;  // "tag", "fav", "kind", "source"; empty for words and phrases
    std::string Text;
    bool Not = false;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Blanks separate terms; "..." keeps blanks in one; a leading '-' asks for what must not
// be there; "field:" at the start of a term names what it looks at. Control characters
// count as blanks, and a quote left open runs to the end.
std::vector<TTerm> Terms(const std::string& search) {
    std::vector<TTerm> terms;
    std::set<std::string> said;
    std::size_t k = 0;
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; };
    while (k < search.size()) {
        if (blank(search[k])) {
            ++k;
            continue;
        }
        TTerm term;
        if (search[k] == '-' && k + 1 < search.size() && !blank(search[k + 1])) {
            term.Not = true;
            ++k;
        }
        if (search[k] == '"') {
            const std::size_t end = search.find('"', k + 1);
            term.Text = search.substr(k + 1, end == std::string::npos ? end : end - k - 1);
            k = end == std::string::npos ? search.size() : end + 1;
            for (char& c : term.Text)
                if (blank(c)) c = ' ';
        } else {
            std::size_t end = k;
            while (end < search.size() && !blank(search[end])) ++end;
            term.Text = search.substr(k, end - k);
            k = end;
            const std::size_t colon = term.Text.find(':');
            if (colon != std::string::npos) {
                const std::string field = Lower(term.Text.substr(0, colon));
                if (field == "tag" || field == "fav" || field == "kind" || field == "source") {
                    term.Field = field;
                    term.Text = term.Text.substr(colon + 1);
                    if (term.Text.size() >= 2 && term.Text.front() == '"' &&
                        term.Text.back() == '"')
                        term.Text = term.Text.substr(1, term.Text.size() - 2);
                }
            }
        }
        if (term.Text.find_first_not_of(' ') == std::string::npos && term.Field != "fav")
            continue;
        // A term said twice asks nothing new.
        if (said.insert(term.Field + (term.Not ? "-" : "+") + ":" + term.Text).second)
            terms.push_back(term);
    }
    return terms;
}

TKind KindOfTerm(const std::string& text) {
    const std::string word = Lower(text);
    for (TKind kind : {TKind::Kit, TKind::Instruments, TKind::System}) {
        const std::string name(KindName(kind));
        // "instrument" and "sys" are meant as much as "instruments" and "system".
        if (!word.empty() && (name.starts_with(word) || word.starts_with(name.substr(0, 3))))
            return kind;
    }
    throw LibraryError("There is no kind \"" + text +
                       "\" to search for: kind: takes kit, instruments or system");
}

// fav: and fav:yes find the favourites, fav:no the others.
bool FavouriteOfTerm(const std::string& text) {
    const std::string word = Lower(text);
    for (const char* yes : {"", "yes", "y", "true", "1", "on"})
        if (word == yes) return true;
    for (const char* no : {"no", "n", "false", "0", "off"})
        if (word == no) return false;
    throw LibraryError("fav: takes yes or no, not \"" + text + "\"");
}

TWhere BuildWhere(const TFilter& filter) {
    TWhere where;
    std::vector<std::string> clauses;
    std::vector<std::string> shortWords;
    std::vector<TValue> shortValues;
    std::string match;
    for (const auto& term : Terms(filter.Search)) {
        const std::string no = term.Not ? "NOT " : "";
        if (term.Field == "fav") {
            clauses.push_back(std::string("i.favourite = ") +
                              (FavouriteOfTerm(term.Text) != term.Not ? "1" : "0"));
        } else if (term.Field == "kind") {
            clauses.push_back("i.kind " + std::string(term.Not ? "<>" : "=") + " ?");
            where.Values.push_back(static_cast<std::int64_t>(KindOfTerm(term.Text)));
        } else if (term.Field == "tag") {
            // A whole tag of the tags field (separated by blanks or commas), in any case.
            clauses.push_back(no +
                              "(' ' || fold(replace(i.tags, ',', ' ')) || ' ') LIKE ? "
                              "ESCAPE '\\'");
            where.Values.push_back("% " + LikeEscaped(FoldCase(term.Text)) + " %");
        } else if (term.Field == "source") {
            clauses.push_back(no +
                              "EXISTS (SELECT 1 FROM sources s WHERE s.item_id = i.id AND "
                              "s.origin LIKE ? ESCAPE '\\')");
            where.Values.push_back(LikePattern(term.Text));
        } else if (term.Not) {
            clauses.push_back("i.id NOT IN (SELECT rowid FROM item_search WHERE text LIKE ? "
                              "ESCAPE '\\')");
            where.Values.push_back(LikePattern(term.Text));
        } else if (Letters(term.Text) >= 3) {
            // Trigrams need three characters; shorter words are looked for the slow way.
            match += (match.empty() ? "" : " AND ") + Quoted(term.Text);
        } else {
            shortWords.push_back("text LIKE ? ESCAPE '\\'");
            shortValues.push_back(LikePattern(term.Text));
        }
    }
    std::vector<std::string> text;
    std::vector<TValue> textValues;
    if (!match.empty()) {
        text.push_back("i.id IN (SELECT rowid FROM item_search WHERE item_search MATCH ?)");
        textValues.push_back(match);
    }
    if (!shortWords.empty()) {
        text.push_back("i.id IN (SELECT rowid FROM item_search WHERE " + AllOf(shortWords) + ")");
        textValues.insert(textValues.end(), shortValues.begin(), shortValues.end());
    }
    clauses.insert(clauses.begin(), text.begin(), text.end());
    where.Values.insert(where.Values.begin(), textValues.begin(), textValues.end());
    clauses.push_back(filter.Deleted ? "i.deleted IS NOT NULL" : "i.deleted IS NULL");
    if (filter.FavouritesOnly) clauses.push_back("i.favourite = 1");
    if (filter.Kind) {
        clauses.push_back("i.kind = ?");
        where.Values.push_back(static_cast<std::int64_t>(*filter.Kind));
    }
    where.Sql = " WHERE " + AllOf(clauses);
    return where;
}

int BindWhere(TStatement& statement, const TWhere& where) {
    int index = 1;
    for (const auto& value : where.Values)
        if (value.Text)
            statement.Bind(index++, *value.Text);
        else
            statement.Bind(index++, value.Number);
    return index;
}

// What the user reads when SQLite cannot run a search (too many words for one statement,
// say), instead of SQLite's own text.
template <class Run>
auto RunSearch(Run run) {
    try {
        return run();
    } catch (const SqliteError& error) {
        if (error.Code() == SQLITE_BUSY || error.Code() == SQLITE_LOCKED ||
            error.Code() == SQLITE_IOERR || error.Code() == SQLITE_CORRUPT)
            throw;
        throw LibraryError("The search is too long or too involved to run; try fewer words");
    }
}

}  // namespace

void TLibrary::RefreshSearch(ItemId id) {
    auto& sql = *m_sql;
    sql.SearchText.Bind(1, id);
    const std::string text = sql.SearchText.Step() ? sql.SearchText.Text(0) : std::string();
    sql.SearchText.Reset();
    sql.DeleteSearch.Bind(1, id).Run();
    sql.InsertSearch.Bind(1, id).Bind(2, text).Run();
}

int TLibrary::Count(const TFilter& filter) {
    const TWhere where = BuildWhere(filter);
    return RunSearch([&] {
        auto statement = m_db->Prepare("SELECT count(*) FROM items i" + where.Sql);
        BindWhere(statement, where);
        statement.Step();
        return static_cast<int>(statement.Int(0));
    });
}

std::vector<TItem> TLibrary::Find(const TFilter& filter, int limit, int offset) {
    const TWhere where = BuildWhere(filter);
    return RunSearch([&] {
        auto statement =
            m_db->Prepare(std::string("SELECT ") + kItemColumns + " FROM items i" + where.Sql +
                          " ORDER BY i.name COLLATE NOCASE, i.id LIMIT ? OFFSET ?");
        const int next = BindWhere(statement, where);
        statement.Bind(next, limit).Bind(next + 1, offset);
        std::vector<TItem> items;
        while (statement.Step()) items.push_back(ReadItem(statement));
        return items;
    });
}

std::vector<ItemId> TLibrary::FindIds(const TFilter& filter) {
    const TWhere where = BuildWhere(filter);
    return RunSearch([&] {
        auto statement = m_db->Prepare("SELECT i.id FROM items i" + where.Sql +
                                       " ORDER BY i.name COLLATE NOCASE, i.id");
        BindWhere(statement, where);
        std::vector<ItemId> ids;
        while (statement.Step()) ids.push_back(statement.Int(0));
        return ids;
    });
}

}  // namespace library
