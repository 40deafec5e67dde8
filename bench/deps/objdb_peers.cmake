# The peers of the objdb benchmark: SQLite and LMDB (Debian packages
# libsqlite3-dev and liblmdb-dev, installed by bench/objdb.py). Without them
# the program builds as a stub that says so.
find_library(OBJDB_PEERS_SQLITE sqlite3)
find_library(OBJDB_PEERS_LMDB lmdb)
find_path(OBJDB_PEERS_SQLITE_H sqlite3.h)
find_path(OBJDB_PEERS_LMDB_H lmdb.h)
if(OBJDB_PEERS_SQLITE AND OBJDB_PEERS_LMDB AND OBJDB_PEERS_SQLITE_H AND OBJDB_PEERS_LMDB_H)
  set(BENCH_LIBS ${OBJDB_PEERS_SQLITE} ${OBJDB_PEERS_LMDB})
  target_include_directories(${target} PRIVATE ${OBJDB_PEERS_SQLITE_H} ${OBJDB_PEERS_LMDB_H})
else()
  set(BENCH_LIBS)
  target_compile_definitions(${target} PRIVATE OBJDB_PEERS_MISSING=1)
endif()
