#pragma once

#include <QObject>
#include <QStringList>

struct libvlc_instance_t;

// One libVLC engine, created from a list of command-line style arguments.
// Media players and media made on it are its children and go with it.
class VlcInstance : public QObject {
    Q_OBJECT

public:
    explicit VlcInstance(const QStringList &arguments, QObject *parent = nullptr);
    ~VlcInstance() override;

    // False when libVLC refused the arguments or could not start; every
    // object built on an invalid instance is inert.
    bool isValid() const { return m_instance != nullptr; }

    // The arguments as the caller gave them, without the extra ones below.
    QStringList arguments() const { return m_arguments; }

    libvlc_instance_t *core() const { return m_instance; }

    // Arguments appended to every instance made afterwards. The program
    // never sets them; tests and the benchmark use them to send audio to a
    // dummy output.
    static void setExtraArguments(const QStringList &arguments);
    static QStringList extraArguments();

private:
    QStringList m_arguments;
    libvlc_instance_t *m_instance = nullptr;
};
