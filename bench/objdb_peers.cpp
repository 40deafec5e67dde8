// The peers' side of the objdb benchmark: SQLite and LMDB doing the same
// workloads on the same objects as objdb_bench, one workload per run.
//   objdb_peers PEER WORK FILE [--flush-every N]
// PEER: sqlite      journal_mode=OFF, synchronous=OFF (not durable)
//       sqlite-wal  journal_mode=WAL, synchronous=FULL (durable)
//       lmdb        MDB_NOSYNC (not durable)
//       lmdb-sync   synced commits (durable)
// WORK: insert, lookup, walk, delete; "check" says whether the peers are built.
#include "objdb_workload.h"

#include <cstring>
#include <unistd.h>

#ifdef OBJDB_PEERS_MISSING

int main() {
    std::printf("missing\n");
    return 3;
}

#else

#include <lmdb.h>
#include <sqlite3.h>

using namespace objdb_bench;

namespace {

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "objdb_peers: %s\n", what.c_str());
    std::exit(1);
}

// The first key past every key that begins with prefix.
std::string PastPrefix(std::string prefix) {
    prefix.back() = char(prefix.back() + 1);
    return prefix;
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        Die(std::string(sql) + ": " + (error ? error : "?"));
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        Die(std::string(sql) + ": " + sqlite3_errmsg(db));
    return stmt;
}

uint64_t RunSqlite(bool wal, const std::string& work, const std::string& path, int flushEvery) {
    if (work == "insert") {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            ::unlink((path + suffix).c_str());
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        Die("cannot open " + path);
    Exec(db, wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=OFF");
    Exec(db, wal ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF");
    uint64_t sum = 0;
    std::string lo = "0005" + std::string(kPrefix), hi = PastPrefix(lo);
    if (work == "insert") {
        Exec(db, "CREATE TABLE objects(name TEXT PRIMARY KEY, data BLOB)");
        DataPool pool;
        sqlite3_stmt* put = Prepare(db, "INSERT OR REPLACE INTO objects VALUES(?, ?)");
        Exec(db, "BEGIN");
        for (int i = 0; i < kObjects; ++i) {
            std::string key = Key(i);
            sqlite3_bind_text(put, 1, key.data(), int(key.size()), SQLITE_STATIC);
            sqlite3_bind_blob(put, 2, pool.Data(i), int(Length(i)), SQLITE_STATIC);
            if (sqlite3_step(put) != SQLITE_DONE)
                Die(sqlite3_errmsg(db));
            sqlite3_reset(put);
            if (flushEvery > 0 && (i + 1) % flushEvery == 0) {
                Exec(db, "COMMIT");
                Exec(db, "BEGIN");
            }
        }
        Exec(db, "COMMIT");
        sqlite3_finalize(put);
    } else if (work == "lookup") {
        sqlite3_stmt* get = Prepare(db, "SELECT data FROM objects WHERE name = ?");
        std::vector<uint8_t> buffer(30000);
        for (int i : RandomOrder(7)) {
            std::string key = Key(i);
            sqlite3_bind_text(get, 1, key.data(), int(key.size()), SQLITE_STATIC);
            if (sqlite3_step(get) != SQLITE_ROW)
                Die("lookup of " + key);
            size_t length = size_t(sqlite3_column_bytes(get, 0));
            std::memcpy(buffer.data(), sqlite3_column_blob(get, 0), length);
            sum += length + buffer[length / 2];
            sqlite3_reset(get);
        }
        sqlite3_finalize(get);
    } else if (work == "walk") {
        sqlite3_stmt* walk =
            Prepare(db, "SELECT name FROM objects WHERE name >= ? AND name < ? ORDER BY name");
        sqlite3_bind_text(walk, 1, lo.data(), int(lo.size()), SQLITE_STATIC);
        sqlite3_bind_text(walk, 2, hi.data(), int(hi.size()), SQLITE_STATIC);
        // The names are collected, as a caller listing a directory would.
        std::vector<std::string> names;
        while (sqlite3_step(walk) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(walk, 0)),
                               size_t(sqlite3_column_bytes(walk, 0)));
        sqlite3_finalize(walk);
        for (const std::string& name : names)
            sum += name.size();
        if (names.size() != size_t(kPrefixCount))
            Die("walk found " + std::to_string(names.size()));
    } else if (work == "delete") {
        Exec(db, "BEGIN");
        sqlite3_stmt* del = Prepare(db, "DELETE FROM objects WHERE name >= ? AND name < ?");
        sqlite3_bind_text(del, 1, lo.data(), int(lo.size()), SQLITE_STATIC);
        sqlite3_bind_text(del, 2, hi.data(), int(hi.size()), SQLITE_STATIC);
        if (sqlite3_step(del) != SQLITE_DONE)
            Die(sqlite3_errmsg(db));
        sum = uint64_t(sqlite3_changes(db));
        sqlite3_finalize(del);
        Exec(db, "COMMIT");
        if (sum != uint64_t(kPrefixCount))
            Die("deleted " + std::to_string(sum));
    } else {
        Die("unknown workload " + work);
    }
    if (sqlite3_close(db) != SQLITE_OK)
        Die("close");
    return sum;
}

void Check(int rc, const char* what) {
    if (rc != MDB_SUCCESS)
        Die(std::string(what) + ": " + mdb_strerror(rc));
}

uint64_t RunLmdb(bool sync, const std::string& work, const std::string& path, int flushEvery) {
    if (work == "insert") {
        ::unlink(path.c_str());
        ::unlink((path + "-lock").c_str());
    }
    MDB_env* env = nullptr;
    Check(mdb_env_create(&env), "env");
    Check(mdb_env_set_mapsize(env, size_t(8) << 30), "mapsize");
    Check(mdb_env_open(env, path.c_str(), MDB_NOSUBDIR | (sync ? 0 : MDB_NOSYNC), 0644), "open");
    bool readOnly = work == "lookup" || work == "walk";
    MDB_txn* txn = nullptr;
    Check(mdb_txn_begin(env, nullptr, readOnly ? MDB_RDONLY : 0, &txn), "begin");
    MDB_dbi dbi;
    Check(mdb_dbi_open(txn, nullptr, 0, &dbi), "dbi");
    uint64_t sum = 0;
    std::string lo = "0005" + std::string(kPrefix);
    auto inPrefix = [&](const MDB_val& k) {
        return k.mv_size >= lo.size() && std::memcmp(k.mv_data, lo.data(), lo.size()) == 0;
    };
    if (work == "insert") {
        DataPool pool;
        for (int i = 0; i < kObjects; ++i) {
            std::string key = Key(i);
            MDB_val k{key.size(), key.data()};
            MDB_val v{Length(i), const_cast<uint8_t*>(pool.Data(i))};
            Check(mdb_put(txn, dbi, &k, &v, 0), "put");
            if (flushEvery > 0 && (i + 1) % flushEvery == 0) {
                Check(mdb_txn_commit(txn), "commit");
                Check(mdb_txn_begin(env, nullptr, 0, &txn), "begin");
            }
        }
    } else if (work == "lookup") {
        // LMDB hands out pointers into its map; the first byte touched of the
        // middle of each value stands for the reader using the data.
        for (int i : RandomOrder(7)) {
            std::string key = Key(i);
            MDB_val k{key.size(), key.data()}, v;
            Check(mdb_get(txn, dbi, &k, &v), "get");
            sum += v.mv_size + static_cast<const uint8_t*>(v.mv_data)[v.mv_size / 2];
        }
    } else if (work == "walk" || work == "delete") {
        MDB_cursor* cursor = nullptr;
        Check(mdb_cursor_open(txn, dbi, &cursor), "cursor");
        MDB_val k{lo.size(), lo.data()}, v;
        // The names are collected, as a caller listing a directory would.
        std::vector<std::string> keys;
        for (int rc = mdb_cursor_get(cursor, &k, &v, MDB_SET_RANGE); rc == 0 && inPrefix(k);
             rc = mdb_cursor_get(cursor, &k, &v, MDB_NEXT))
            keys.emplace_back(static_cast<const char*>(k.mv_data), k.mv_size);
        mdb_cursor_close(cursor);
        for (const std::string& key : keys)
            sum += key.size();
        if (work == "walk" && keys.size() != size_t(kPrefixCount))
            Die("walk found " + std::to_string(keys.size()));
        for (size_t i = 0; work == "delete" && i < keys.size(); ++i) {
            MDB_val dk{keys[i].size(), keys[i].data()};
            Check(mdb_del(txn, dbi, &dk, nullptr), "del");
        }
        if (work == "delete" && keys.size() != size_t(kPrefixCount))
            Die("deleted " + std::to_string(keys.size()));
    } else {
        Die("unknown workload " + work);
    }
    if (readOnly)
        mdb_txn_abort(txn);
    else
        Check(mdb_txn_commit(txn), "commit");
    mdb_env_close(env);
    return sum;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "check") == 0) {
        std::printf("ok\n");
        return 0;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: objdb_peers PEER WORK FILE [--flush-every N]\n");
        return 2;
    }
    std::string peer = argv[1], work = argv[2], path = argv[3];
    int flushEvery = 0;
    for (int i = 4; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--flush-every") == 0)
            flushEvery = std::atoi(argv[i + 1]);
    uint64_t sum;
    if (peer == "sqlite" || peer == "sqlite-wal")
        sum = RunSqlite(peer == "sqlite-wal", work, path, flushEvery);
    else if (peer == "lmdb" || peer == "lmdb-sync")
        sum = RunLmdb(peer == "lmdb-sync", work, path, flushEvery);
    else
        Die("unknown peer " + peer);
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}

#endif
