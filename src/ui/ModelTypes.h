#pragma once

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "playback/AlbumListModel.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "playback/PlaybackViewModel.h"
#include "playback/RefreshLoop.h"

#include <QtQml/qqml.h>

// The program's models as the views know them. The application makes each
// once and hands it to the views; QML never creates one.

struct MusicSourceSettingsForeign {
    Q_GADGET
    QML_FOREIGN(MusicSourceSettings)
    QML_NAMED_ELEMENT(MusicSourceSettings)
    QML_UNCREATABLE("Made once by the application")
};

struct AlbumFilterSettingsForeign {
    Q_GADGET
    QML_FOREIGN(AlbumFilterSettings)
    QML_NAMED_ELEMENT(AlbumFilterSettings)
    QML_UNCREATABLE("Made once by the application")
};

struct PlaybackViewModelForeign {
    Q_GADGET
    QML_FOREIGN(PlaybackViewModel)
    QML_NAMED_ELEMENT(PlaybackViewModel)
    QML_UNCREATABLE("Made once by the application")
};

struct RefreshLoopForeign {
    Q_GADGET
    QML_FOREIGN(RefreshLoop)
    QML_NAMED_ELEMENT(RefreshLoop)
    QML_UNCREATABLE("Made by the composition over the coordinator")
};

struct HomeViewModelForeign {
    Q_GADGET
    QML_FOREIGN(HomeViewModel)
    QML_NAMED_ELEMENT(HomeViewModel)
    QML_UNCREATABLE("Made once by the application")
};

struct LibraryViewModelForeign {
    Q_GADGET
    QML_FOREIGN(LibraryViewModel)
    QML_NAMED_ELEMENT(LibraryViewModel)
    QML_UNCREATABLE("Made once by the application")
};

struct AlbumListModelForeign {
    Q_GADGET
    QML_FOREIGN(AlbumListModel)
    QML_NAMED_ELEMENT(AlbumListModel)
    QML_UNCREATABLE("Made once by the application")
};
