#include "Database.h"

#include <sqlite3.h>

namespace devservice {

namespace {

// The whole schema; every statement is idempotent.
const char *const schema = R"SQL(
CREATE TABLE IF NOT EXISTS meta(
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS accounts(
    id INTEGER PRIMARY KEY,
    kind TEXT NOT NULL CHECK(kind IN ('email', 'phone', 'name')),
    login TEXT NOT NULL UNIQUE COLLATE NOCASE,
    display_name TEXT NOT NULL,
    password_hash TEXT NOT NULL,
    created_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS devices(
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    platform TEXT NOT NULL,
    device_key TEXT NOT NULL UNIQUE,
    created_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS devices_by_account ON devices(account_id, platform);
CREATE TABLE IF NOT EXISTS sessions(
    token TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    device_id INTEGER REFERENCES devices(id) ON DELETE SET NULL,
    created_at INTEGER NOT NULL,
    expires_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS sessions_by_expiry ON sessions(expires_at);
CREATE TABLE IF NOT EXISTS playlists(
    id INTEGER PRIMARY KEY,
    device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
    title TEXT NOT NULL,
    source TEXT NOT NULL,
    created_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS playlists_by_device ON playlists(device_id);
CREATE TABLE IF NOT EXISTS channel_groups(
    id INTEGER PRIMARY KEY,
    playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    title TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS groups_by_playlist ON channel_groups(playlist_id, position);
CREATE TABLE IF NOT EXISTS channels(
    id INTEGER PRIMARY KEY,
    playlist_id INTEGER NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    title TEXT NOT NULL,
    group_id INTEGER NOT NULL REFERENCES channel_groups(id) ON DELETE CASCADE,
    href TEXT NOT NULL,
    pict TEXT NOT NULL,
    epg_id INTEGER NOT NULL,
    adult INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS channels_by_playlist ON channels(playlist_id, position);
CREATE INDEX IF NOT EXISTS channels_by_group ON channels(group_id);
CREATE TABLE IF NOT EXISTS device_options(
    device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    value TEXT NOT NULL,
    updated_at INTEGER NOT NULL,
    PRIMARY KEY(device_id, name)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS epg_sources(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    genre TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS epg_programmes(
    epg_id INTEGER NOT NULL REFERENCES epg_sources(id) ON DELETE CASCADE,
    start INTEGER NOT NULL,
    stop INTEGER NOT NULL,
    title TEXT NOT NULL,
    descr TEXT NOT NULL,
    PRIMARY KEY(epg_id, start)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS upload_hashes(
    hash TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
    expires_at INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS pending_signups(
    phone TEXT PRIMARY KEY,
    name TEXT NOT NULL,
    password_hash TEXT NOT NULL,
    code INTEGER NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    expires_at INTEGER NOT NULL);
)SQL";

void check(sqlite3 *db, int rc, const char *what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw DatabaseError(std::string(what) + ": " + sqlite3_errmsg(db));
}

} // namespace

Statement::Statement(sqlite3_stmt *stmt)
    : m_stmt(stmt) {}

Statement::~Statement() {
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

Statement::Statement(Statement &&other) noexcept
    : m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

Statement &Statement::bind(int index, std::int64_t value) {
    check(sqlite3_db_handle(m_stmt), sqlite3_bind_int64(m_stmt, index, value), "bind");
    return *this;
}

Statement &Statement::bind(int index, const std::string &value) {
    check(sqlite3_db_handle(m_stmt),
          sqlite3_bind_text64(m_stmt, index, value.data(), value.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8),
          "bind");
    return *this;
}

Statement &Statement::bindNull(int index) {
    check(sqlite3_db_handle(m_stmt), sqlite3_bind_null(m_stmt, index), "bind");
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DatabaseError(std::string("step: ") + sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
}

void Statement::run() {
    while (step()) {
    }
    sqlite3_reset(m_stmt);
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::text(int column) const {
    const auto *data = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return data ? std::string(reinterpret_cast<const char *>(data), static_cast<std::size_t>(size))
                : std::string();
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

Connection::Connection(sqlite3 *db)
    : m_db(db) {}

Connection::~Connection() {
    for (auto &entry : m_cache)
        sqlite3_finalize(entry.second);
    sqlite3_close(m_db);
}

Statement Connection::prepare(const std::string &sql) {
    auto found = m_cache.find(sql);
    if (found != m_cache.end())
        return Statement(found->second);
    sqlite3_stmt *stmt = nullptr;
    check(m_db,
          sqlite3_prepare_v3(m_db, sql.c_str(), static_cast<int>(sql.size()),
                             SQLITE_PREPARE_PERSISTENT, &stmt, nullptr),
          "prepare");
    m_cache.emplace(sql, stmt);
    return Statement(stmt);
}

void Connection::exec(const std::string &sql) {
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw DatabaseError("exec: " + text);
    }
}

std::int64_t Connection::lastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

int Connection::changes() const {
    return sqlite3_changes(m_db);
}

Transaction::Transaction(Connection &connection)
    : m_connection(connection) {
    m_connection.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!m_done) {
        try {
            m_connection.exec("ROLLBACK");
        } catch (const DatabaseError &) {
            // The connection stays usable; nothing else can be done here.
        }
    }
}

void Transaction::commit() {
    m_connection.exec("COMMIT");
    m_done = true;
}

Database::Lease::Lease(Database &owner, std::unique_ptr<Connection> connection)
    : m_owner(&owner)
    , m_connection(std::move(connection)) {}

Database::Lease::~Lease() {
    if (m_owner && m_connection)
        m_owner->giveBack(std::move(m_connection));
}

Database::Database(std::string path, int maxConnections)
    : m_path(std::move(path))
    , m_maxConnections(maxConnections) {}

Database::~Database() = default;

std::unique_ptr<Connection> Database::connect() {
    sqlite3 *db = nullptr;
    const int rc =
        sqlite3_open_v2(m_path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw DatabaseError("cannot open " + m_path + ": " + message);
    }
    auto connection = std::make_unique<Connection>(db);
    sqlite3_busy_timeout(db, 10000);
    // WAL keeps readers and the one writer out of each other's way; with
    // synchronous=NORMAL a committed transaction survives a killed process
    // (only a power cut could cost the last commits).
    connection->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                     "PRAGMA foreign_keys=ON; PRAGMA temp_store=MEMORY;");
    return connection;
}

bool Database::open(std::string &error) {
    try {
        auto connection = connect();
        connection->exec(schema);
        giveBack(std::move(connection));
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_open = 1;
    } catch (const DatabaseError &e) {
        error = e.what();
        return false;
    }
    return true;
}

Database::Lease Database::acquire() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!m_idle.empty()) {
            auto connection = std::move(m_idle.back());
            m_idle.pop_back();
            return Lease(*this, std::move(connection));
        }
        if (m_open < m_maxConnections) {
            ++m_open;
            lock.unlock();
            try {
                return Lease(*this, connect());
            } catch (...) {
                lock.lock();
                --m_open;
                throw;
            }
        }
        m_available.wait(lock);
    }
}

void Database::giveBack(std::unique_ptr<Connection> connection) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_idle.push_back(std::move(connection));
    }
    m_available.notify_one();
}

} // namespace devservice
