#pragma once
// A sound player for tests: it plays nothing, keeps the path and the bytes
// of every file it was asked to play, and answers Play with a result the
// test sets. Installed as the programs' player factory for the lifetime of
// a FakeSoundPlayerScope.

#include <QFile>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Platform/KVXSoundPlayer.h"

struct FakeSoundPlayerRecord {
    struct Play {
        std::wstring path;
        QByteArray bytes;  // the file's content when it was played
    };
    std::vector<Play> plays;
    int result = 1;
    int players = 0;  // players made
};

class FakeSoundPlayer : public CKVXSoundPlayer {
public:
    explicit FakeSoundPlayer(FakeSoundPlayerRecord& record) : m_record(record) {}

    int Play(const wchar_t* path) override {
        QFile file(QString::fromWCharArray(path));
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
        m_record.plays.push_back({path, bytes});
        m_playing = m_record.result != 0;
        return m_record.result;
    }
    void Stop() override { m_playing = false; }
    bool IsPlaying() override { return m_playing; }

private:
    FakeSoundPlayerRecord& m_record;
    bool m_playing = false;
};

class FakeSoundPlayerScope {
public:
    FakeSoundPlayerScope() {
        KVXSetSoundPlayerFactory([this] {
            ++record.players;
            return std::make_unique<FakeSoundPlayer>(record);
        });
    }
    ~FakeSoundPlayerScope() { KVXSetSoundPlayerFactory({}); }
    FakeSoundPlayerScope(const FakeSoundPlayerScope&) = delete;
    FakeSoundPlayerScope& operator=(const FakeSoundPlayerScope&) = delete;

    FakeSoundPlayerRecord record;
};
