#pragma once

#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace ondrel {

// The most recently used statements stay prepared; a long session of varied selects
// drops the oldest instead of growing without bound. A statement still in use stays
// alive through its shared pointer even when it leaves the cache.
template <class Statement>
class StatementCache {
public:
    static constexpr std::size_t kCapacity = 64;

    template <class Make>
    std::shared_ptr<Statement> get(const std::string& sql, Make&& make) {
        auto found = bySql_.find(sql);
        if (found != bySql_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second);
            return recent_.front().second;
        }
        recent_.emplace_front(sql, make(sql));
        bySql_[sql] = recent_.begin();
        if (recent_.size() > kCapacity) {
            bySql_.erase(recent_.back().first);
            recent_.pop_back();
        }
        return recent_.front().second;
    }
    std::size_t size() const { return recent_.size(); }
    void clear() {
        bySql_.clear();
        recent_.clear();
    }

private:
    using Entry = std::pair<std::string, std::shared_ptr<Statement>>;
    std::list<Entry> recent_;   // most recently used first
    std::unordered_map<std::string, typename std::list<Entry>::iterator> bySql_;
};

}  // namespace ondrel
