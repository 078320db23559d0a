#pragma once

#include <QTemporaryDir>

#include <optional>

// Tests never touch the user's own state folder or personal word list: a
// test program, and every program it starts, keeps the state there is and
// the words added to a dictionary in one temporary folder.
class TemporaryStateFolder
{
public:
    TemporaryStateFolder()
    {
        if (qEnvironmentVariableIsSet("OJW_TEST_STATE_HOME"))
            return; // started by a test: its folder
        m_folder.emplace();
        qputenv("XDG_STATE_HOME", m_folder->path().toLocal8Bit());
        qputenv("ENCHANT_CONFIG_DIR", (m_folder->path() + QStringLiteral("/enchant")).toLocal8Bit());
        qputenv("OJW_TEST_STATE_HOME", m_folder->path().toLocal8Bit());
    }

private:
    std::optional<QTemporaryDir> m_folder;
};
