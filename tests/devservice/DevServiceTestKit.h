#pragma once

#include "service/JsonRpc.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QTest>

#include <functional>

// What one JsonRpc exchange delivered.
struct Outcome {
    bool answered = false;
    bool failed = false;
    QJsonValue value;
    QString error;
};

// Runs one operation of a fresh JsonRpc and waits for its first answer.
inline Outcome exchange(const std::function<void(JsonRpc &)> &operation, int timeoutMs = 20000) {
    JsonRpc rpc;
    Outcome outcome;
    QObject::connect(&rpc, &JsonRpc::done, &rpc, [&outcome](const QJsonValue &value) {
        if (outcome.answered)
            return;
        outcome.answered = true;
        outcome.value = value;
    });
    QObject::connect(&rpc, &JsonRpc::error, &rpc, [&outcome](const QString &text) {
        if (outcome.answered)
            return;
        outcome.answered = true;
        outcome.failed = true;
        outcome.error = text;
    });
    operation(rpc);
    static_cast<void>(QTest::qWaitFor([&outcome] { return outcome.answered; }, timeoutMs));
    return outcome;
}

// The record of an array whose member key equals value.
inline QJsonObject findRecord(const QJsonArray &records, const QString &key,
                              const QJsonValue &value) {
    for (const QJsonValue &record : records) {
        if (record.toObject().value(key) == value)
            return record.toObject();
    }
    return QJsonObject();
}
