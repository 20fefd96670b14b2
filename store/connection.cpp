#include "store/connection.h"

#include <algorithm>

namespace ondrel {

namespace {

// Below what both engines take in one statement (SQLite 32,766, PostgreSQL 65,535).
constexpr std::size_t kParamsAStatement = 30000;

}  // namespace

void manyRows(Connection& connection, const std::string& head, const std::string& marks, const std::string& tail,
              const std::vector<Params>& rows, const EachRow& each) {
    if (rows.empty())
        return;
    const std::size_t perStatement = std::max<std::size_t>(1, kParamsAStatement / rows.front().size());
    for (std::size_t first = 0; first < rows.size(); first += perStatement) {
        const std::size_t end = std::min(rows.size(), first + perStatement);
        std::string sql = head;
        Params params;
        for (std::size_t i = first; i < end; ++i) {
            sql += i == first ? " " : ", ";
            sql += marks;
            params.insert(params.end(), rows[i].begin(), rows[i].end());
        }
        sql += tail;
        connection.query(sql, params, each ? each : [](const Row&) {});
    }
}

}  // namespace ondrel
