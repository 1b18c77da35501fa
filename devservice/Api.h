#pragma once

#include <string>

// The JSON-RPC endpoint: one POST body in, one reply body out.
namespace devservice {

class Store;

class Api {
public:
    explicit Api(Store &store);

    struct Reply {
        std::string body;      // always a JSON object with "id", "result" and "error"
        std::string method;    // the method called, empty when none could be read
        std::string error;     // the "error" text sent, empty on success
        bool badInput = false; // the request itself was faulty (not the account data)
    };

    // Never throws: every failure becomes a reply with a non-empty "error".
    Reply handle(const std::string &body);

    // A reply carrying only an error, for failures found before the body is
    // read (a body that is too large).
    static std::string errorBody(const std::string &error);

private:
    Store &m_store;
};

} // namespace devservice
