#include "playback/AlbumListDiff.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// Marks the members of one longest increasing subsequence of `values`.
std::vector<bool> longestIncreasingRun(const std::vector<int>& values) {
    const auto n = values.size();
    std::vector<int> tails;       // index into values of the smallest tail per length
    std::vector<int> previous(n); // predecessor of each element in its run
    for (std::size_t i = 0; i < n; ++i) {
        const auto at =
            std::lower_bound(tails.begin(), tails.end(), values[i],
                             [&](int index, int value) { return values[index] < value; });
        previous[i] = at == tails.begin() ? -1 : *(at - 1);
        if (at == tails.end())
            tails.push_back(int(i));
        else
            *at = int(i);
    }
    std::vector<bool> member(n, false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[i])
        member[i] = true;
    return member;
}

} // namespace

AlbumListDiff AlbumListDiff::between(const QList<QStringView>& from, const QList<QStringView>& to) {
    AlbumListDiff diff;
    if (from == to)
        return diff;

    QHash<QStringView, int> target;
    target.reserve(to.size());
    for (int i = 0; i < int(to.size()); ++i)
        target.insert(to[i], i);

    // Removals, and what is left: each kept row as its index in `to`.
    std::vector<int> rows;
    rows.reserve(from.size());
    std::vector<bool> kept(to.size(), false);
    for (int i = int(from.size()) - 1; i >= 0; --i) {
        const int at = target.value(from[i], -1);
        if (at >= 0) {
            kept[at] = true;
            continue;
        }
        if (!diff.removals.isEmpty() && diff.removals.back().first == i + 1)
            diff.removals.back().first = i;
        else
            diff.removals.append({i, i});
    }
    for (const QStringView id : from) {
        if (const int at = target.value(id, -1); at >= 0)
            rows.push_back(at);
    }

    // Moves: every kept row outside the longest ordered run goes right after
    // the kept row that precedes it in `to`, taken in `to` order. Each then
    // stays behind its predecessor, so the kept rows end up in `to` order.
    const std::vector<bool> stays = longestIncreasingRun(rows);
    std::vector<bool> moving(to.size(), false);
    for (std::size_t i = 0; i < rows.size(); ++i)
        moving[rows[i]] = !stays[i];
    int predecessor = -1;
    for (int t = 0; t < int(to.size()); ++t) {
        if (!kept[t])
            continue;
        if (moving[t]) {
            const auto position = [&rows](int value) {
                return int(std::find(rows.begin(), rows.end(), value) - rows.begin());
            };
            const int row = position(t);
            const int destination = predecessor < 0 ? 0 : position(predecessor) + 1;
            if (row != destination && row + 1 != destination) {
                diff.moves.append({row, destination});
                const int value = rows[row];
                rows.erase(rows.begin() + row);
                rows.insert(rows.begin() + (destination > row ? destination - 1 : destination),
                            value);
            }
        }
        predecessor = t;
    }

    // Insertions, in runs of the new list.
    for (int t = 0; t < int(to.size()); ++t) {
        if (kept[t])
            continue;
        if (!diff.insertions.isEmpty() && diff.insertions.back().second == t - 1)
            diff.insertions.back().second = t;
        else
            diff.insertions.append({t, t});
    }
    return diff;
}
