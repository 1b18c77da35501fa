#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A thin layer over SQLite: a small pool of connections shared by the
// worker threads, prepared statements cached per connection, and RAII
// transactions. Errors are thrown as DatabaseError. A cached statement is
// one object per connection: never keep two Statements of the same SQL
// text alive at once on one connection.
namespace devservice {

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One prepared statement in use; resets itself when it goes out of scope.
class Statement {
public:
    explicit Statement(sqlite3_stmt *stmt);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    Statement(Statement &&other) noexcept;

    Statement &bind(int index, std::int64_t value);
    Statement &bind(int index, int value) { return bind(index, static_cast<std::int64_t>(value)); }
    Statement &bind(int index, const std::string &value);
    Statement &bindNull(int index);

    // Advances to the next row; false when there is none.
    bool step();
    // Runs a statement that returns no rows, then makes it ready to run
    // again with new bindings.
    void run();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool isNull(int column) const;

private:
    sqlite3_stmt *m_stmt;
};

class Connection {
public:
    explicit Connection(sqlite3 *db);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    Statement prepare(const std::string &sql);
    void exec(const std::string &sql);
    std::int64_t lastInsertId() const;
    int changes() const;

private:
    sqlite3 *m_db;
    std::map<std::string, sqlite3_stmt *> m_cache;
};

// Write transactions take the write lock at once (BEGIN IMMEDIATE), so two
// writers never deadlock upgrading their locks. Rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    void commit();

private:
    Connection &m_connection;
    bool m_done = false;
};

class Database {
public:
    // A connection borrowed from the pool for the lifetime of the lease.
    class Lease {
    public:
        Lease(Database &owner, std::unique_ptr<Connection> connection);
        ~Lease();
        Lease(Lease &&) = default;
        Connection &operator*() { return *m_connection; }
        Connection *operator->() { return m_connection.get(); }

    private:
        Database *m_owner;
        std::unique_ptr<Connection> m_connection;
    };

    explicit Database(std::string path, int maxConnections = 8);
    ~Database();

    // Opens the file (creating it), sets write-ahead logging and applies the
    // schema. Returns false with error set on failure.
    bool open(std::string &error);
    Lease acquire();
    const std::string &path() const { return m_path; }

private:
    std::unique_ptr<Connection> connect();
    void giveBack(std::unique_ptr<Connection> connection);

    std::string m_path;
    int m_maxConnections;
    int m_open = 0;
    std::vector<std::unique_ptr<Connection>> m_idle;
    std::mutex m_mutex;
    std::condition_variable m_available;
};

} // namespace devservice
