// The settings of a Qt test in a fresh folder (TESSEL_CONFIG_DIR) for the life of the test, as
// on a first run; a store made later in the test reads what the program would after a restart.
#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

namespace tessel::test {

class ConfigFolder {
public:
    ConfigFolder() : saved_(qgetenv("TESSEL_CONFIG_DIR")) {
        qputenv("TESSEL_CONFIG_DIR", folder_.path().toUtf8());
    }
    ~ConfigFolder() { qputenv("TESSEL_CONFIG_DIR", saved_); }
    ConfigFolder(const ConfigFolder&) = delete;
    ConfigFolder& operator=(const ConfigFolder&) = delete;

private:
    QTemporaryDir folder_;
    QByteArray saved_;
};

}  // namespace tessel::test
