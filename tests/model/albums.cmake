korvid_add_test(albums_tests
  SOURCES AlbumRecordsTest.cpp PlayHistoryStoreTest.cpp ListeningSessionTest.cpp
          MemorySynchronizedStore.h
  LABELS model albums)
