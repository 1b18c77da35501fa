#include "Api.h"

#include "Database.h"
#include "Log.h"
#include "Store.h"
#include "TextUtil.h"

#include <climits>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

namespace devservice {

namespace {

enum class Type { String, Integer };

struct Method {
    std::vector<Type> params;
    // Returns the result as JSON text.
    std::function<std::string(Store &, const std::vector<Json> &)> run;
};

std::string typeList(const std::vector<Type> &types) {
    std::string text = "(";
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (i)
            text += ", ";
        text += types[i] == Type::String ? "string" : "number";
    }
    return text + ")";
}

// Integers arrive as JSON numbers; a number with a fraction or outside the
// 64-bit range is refused rather than rounded.
bool readInteger(const Json &value, std::int64_t &out) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX)
            return false;
        out = value.get<std::int64_t>();
        return true;
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > 9.0e15)
            return false;
        out = static_cast<std::int64_t>(d);
        return true;
    }
    return false;
}

const std::string &str(const std::vector<Json> &params, std::size_t i) {
    return params[i].get_ref<const std::string &>();
}

std::int64_t num(const std::vector<Json> &params, std::size_t i) {
    std::int64_t value = 0;
    readInteger(params[i], value);
    return value;
}

std::string serialise(const Json &reply);

// A method whose result is a JSON value.
template <class F> std::function<std::string(Store &, const std::vector<Json> &)> value(F f) {
    return [f](Store &s, const std::vector<Json> &p) { return serialise(f(s, p)); };
}

const std::map<std::string, Method> &methods() {
    using T = Type;
    using P = std::vector<Json>;
    static const std::map<std::string, Method> table = {
        {"login", {{T::String, T::String, T::String}, value([](Store &s, const P &p) {
                       return Json(s.login(str(p, 0), str(p, 1), str(p, 2)));
                   })}},
        {"login_phone", {{T::String, T::String, T::String}, value([](Store &s, const P &p) {
                             return Json(s.login(str(p, 0), str(p, 1), str(p, 2)));
                         })}},
        {"get_devices", {{T::String, T::String}, value([](Store &s, const P &p) {
                             return s.devices(s.authenticate(str(p, 1)), str(p, 0));
                         })}},
        {"register_device", {{T::String, T::String, T::String}, value([](Store &s, const P &p) {
                                 return Json(s.registerDevice(s.authenticate(str(p, 2)), str(p, 0),
                                                              str(p, 1)));
                             })}},
        {"get_playlists", {{T::String}, value([](Store &s, const P &p) {
                               return s.playlists(s.authenticate(str(p, 0)));
                           })}},
        {"delete_playlist", {{T::Integer, T::String}, value([](Store &s, const P &p) {
                                 s.deletePlaylist(s.authenticate(str(p, 1)), num(p, 0));
                                 return Json("OK");
                             })}},
        {"get_channels",
         {{T::String, T::Integer},
          [](Store &s, const P &p) { return s.channels(s.authenticate(str(p, 0)), num(p, 1)); }}},
        {"get_groups", {{T::String}, value([](Store &s, const P &p) {
                            return s.groups(s.authenticate(str(p, 0)));
                        })}},
        {"get_upload_hash", {{T::String}, value([](Store &s, const P &p) {
                                 return Json(s.newUploadHash(s.authenticate(str(p, 0))));
                             })}},
        {"register_by_sms", {{T::String, T::String, T::String}, value([](Store &s, const P &p) {
                                 return s.registerBySms(str(p, 0), str(p, 1), str(p, 2));
                             })}},
        {"verify_code", {{T::String, T::Integer}, value([](Store &s, const P &p) {
                             return s.verifyCode(str(p, 0), num(p, 1));
                         })}},
        {"set_devopt", {{T::String, T::String, T::String}, value([](Store &s, const P &p) {
                            s.setDeviceOption(s.authenticate(str(p, 2)), str(p, 0), str(p, 1));
                            return Json("OK");
                        })}},
        {"get_devopt", {{T::String, T::String}, value([](Store &s, const P &p) {
                            return Json(s.deviceOption(s.authenticate(str(p, 1)), str(p, 0)));
                        })}},
        {"get_epg", {{T::Integer, T::Integer, T::String}, value([](Store &s, const P &p) {
                         s.authenticate(str(p, 2));
                         return s.programmes(num(p, 0), num(p, 1));
                     })}},
        {"find_epg", {{T::String, T::String}, value([](Store &s, const P &p) {
                          s.authenticate(str(p, 1));
                          return s.findEpg(str(p, 0));
                      })}},
        {"logout", {{T::String}, value([](Store &s, const P &p) {
                        s.logout(str(p, 0));
                        return Json("OK");
                    })}},
    };
    return table;
}

std::string serialise(const Json &reply) {
    // Invalid UTF-8 can only come from stored data written before checks
    // existed; replace it rather than fail the whole reply.
    return reply.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace

Api::Api(Store &store)
    : m_store(store) {}

std::string Api::errorBody(const std::string &error) {
    return serialise(Json{{"id", nullptr}, {"result", nullptr}, {"error", error}});
}

Api::Reply Api::handle(const std::string &body) {
    Reply reply;
    Json id = nullptr;
    auto fail = [&](const std::string &error, bool badInput) {
        reply.error = error;
        reply.badInput = badInput;
        reply.body = serialise(Json{{"id", id}, {"result", nullptr}, {"error", error}});
        return reply;
    };

    Json request = Json::parse(body, nullptr, false);
    if (request.is_discarded())
        return fail("Parse error: the request body is not JSON", true);
    if (!request.is_object())
        return fail("Invalid request: the body must be a JSON object", true);
    const auto idField = request.find("id");
    if (idField != request.end() && (idField->is_string() || idField->is_number()))
        id = *idField;
    const auto methodField = request.find("method");
    if (methodField == request.end() || !methodField->is_string())
        return fail("Invalid request: \"method\" must be a string", true);
    reply.method = methodField->get<std::string>();
    const auto paramsField = request.find("params");
    if (paramsField != request.end() && !paramsField->is_array())
        return fail("Invalid request: \"params\" must be an array", true);

    const auto found = methods().find(reply.method);
    if (found == methods().end()) {
        const std::string shown = forLog(reply.method, 60);
        reply.method = shown;
        return fail("Method not found: " + shown, true);
    }
    const Method &method = found->second;
    std::vector<Json> params;
    if (paramsField != request.end())
        params.assign(paramsField->begin(), paramsField->end());
    bool typesOk = params.size() == method.params.size();
    for (std::size_t i = 0; typesOk && i < params.size(); ++i) {
        std::int64_t ignored = 0;
        typesOk = method.params[i] == Type::String ? params[i].is_string()
                                                   : readInteger(params[i], ignored);
    }
    if (!typesOk)
        return fail("Invalid params: " + reply.method + " takes " + typeList(method.params), true);
    for (const Json &param : params) {
        if (param.is_string() && !isValidUtf8(param.get_ref<const std::string &>()))
            return fail("Invalid params: text must be UTF-8", true);
    }

    try {
        const std::string result = method.run(m_store, params);
        reply.body = "{\"error\":\"\",\"id\":" + serialise(id) + ",\"result\":" + result + "}";
        return reply;
    } catch (const ServiceError &e) {
        return fail(e.what(), false);
    } catch (const DatabaseError &e) {
        logError("database failure in " + reply.method + ": " + e.what());
        return fail("Internal error", false);
    } catch (const std::exception &e) {
        logError("failure in " + reply.method + ": " + e.what());
        return fail("Internal error", false);
    }
}

} // namespace devservice
