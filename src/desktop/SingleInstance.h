#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One running copy per settings store: a second start hands its wish to be
// seen to the running copy and ends, instead of a second window writing the
// same settings. Copies with different settings stores (tests, the demo
// runner) do not meet.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // The key of the copy that uses the settings file at settingsPath.
    static QString keyFor(const QString &settingsPath);

    // Becomes the running copy for key and listens for later starts; false
    // when another live copy already is (a lock left by a copy that died is
    // taken over).
    bool claim(const QString &key);
    // From a start that could not claim: asks the running copy to show its
    // window. False when it could not be reached.
    bool activateRunning(const QString &key);

    bool isPrimary() const { return m_server != nullptr; }

signals:
    // A later start asked for the window.
    void activationRequested();

private:
    static QString lockPath(const QString &key);
    void readRequests();

    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
