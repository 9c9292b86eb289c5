#include "library/Library.h"

#include <algorithm>
#include <span>
#include <sstream>

#include "library/ItemRow.h"
#include "library/PreparedStatements.h"
#include "library/Sqlite.h"

namespace library {

namespace {

// Each word once: a word said twice asks nothing new.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
    return words;
}

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

std::string LikePattern(const std::string& word) {
    std::string text = "%";
    for (char c : word) {
        if (c == '%' || c == '_' || c == '\\') text += '\\';
        text += c;
    }
    return text + "%";
}

// The WHERE clause of a filter and its parameters, in order.
struct TWhere {
    std::string Sql;
    std::vector<std::string> Texts;
    std::vector<std::int64_t> Numbers;  // bound after the texts
};

TWhere BuildWhere(const TFilter& filter) {
    TWhere where;
    std::vector<std::string> clauses;
    std::vector<std::string> shortWords;
    std::string match;
    for (const auto& word : Words(filter.Search)) {
        // Trigrams need three characters; shorter words are looked for the slow way.
        if (Letters(word) >= 3) {
            match += (match.empty() ? "" : " AND ") + Quoted(word);
        } else {
            shortWords.push_back("text LIKE ? ESCAPE '\\'");
            where.Texts.push_back(LikePattern(word));
        }
    }
    if (!shortWords.empty())
        clauses.push_back("i.id IN (SELECT rowid FROM item_search WHERE " + AllOf(shortWords) +
                          ")");
    if (!match.empty()) {
        clauses.insert(clauses.begin(),
                       "i.id IN (SELECT rowid FROM item_search WHERE item_search MATCH ?)");
        where.Texts.insert(where.Texts.begin(), match);
    }
    if (filter.FavouritesOnly) clauses.push_back("i.favourite = 1");
    if (filter.Kind) {
        clauses.push_back("i.kind = ?");
        where.Numbers.push_back(static_cast<std::int64_t>(*filter.Kind));
    }
    for (std::size_t k = 0; k < clauses.size(); ++k)
        where.Sql += (k == 0 ? " WHERE " : " AND ") + clauses[k];
    return where;
}

int BindWhere(TStatement& statement, const TWhere& where) {
    int index = 1;
    for (const auto& text : where.Texts) statement.Bind(index++, text);
    for (auto number : where.Numbers) statement.Bind(index++, number);
    return index;
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
    auto statement = m_db->Prepare("SELECT count(*) FROM items i" + where.Sql);
    BindWhere(statement, where);
    statement.Step();
    return static_cast<int>(statement.Int(0));
}

std::vector<TItem> TLibrary::Find(const TFilter& filter, int limit, int offset) {
    const TWhere where = BuildWhere(filter);
    auto statement =
        m_db->Prepare(std::string("SELECT ") + kItemColumns + " FROM items i" + where.Sql +
                      " ORDER BY i.name COLLATE NOCASE, i.id LIMIT ? OFFSET ?");
    const int next = BindWhere(statement, where);
    statement.Bind(next, limit).Bind(next + 1, offset);
    std::vector<TItem> items;
    while (statement.Step()) items.push_back(ReadItem(statement));
    return items;
}

}  // namespace library
