#pragma once

#include <QList>
#include <QStringView>

#include <utility>

// The row changes that turn a list of unique ids into another, in the form
// Qt's list models announce them. Applied in this order, each step on the list
// as the steps before it left it:
// 1. removals: row ranges [first, last], highest first;
// 2. moves: (row, destination) pairs, the destination given as
//    QAbstractItemModel::beginMoveRows takes it (the row it goes before);
// 3. insertions: ranges [first, last] of the new list, lowest first.
// Rows whose id is in both lists move as little as possible: those in the
// longest run that keeps its order stay where they are.
struct AlbumListDiff {
    QList<std::pair<int, int>> removals;
    QList<std::pair<int, int>> moves;
    QList<std::pair<int, int>> insertions;

    qsizetype stepCount() const { return removals.size() + moves.size() + insertions.size(); }
    bool isEmpty() const { return stepCount() == 0; }

    static AlbumListDiff between(const QList<QStringView>& from, const QList<QStringView>& to);
};
