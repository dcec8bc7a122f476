#pragma once
// A test fixture that binds the simulated D2XX library through the normal load path and
// counts the error boxes the binding raises.
#include "comm/d2xx/D2XXUnit.h"
#include "platform/UserMessage.h"
#include "tests/sim/d2xx/SimD2XXControl.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace dabrix::test {

// The USB bridge's vendor and product identifiers, as the list reports them.
inline constexpr uint32_t kBridgeId = 0x04036001;

class D2XXSimTest : public ::testing::Test {
protected:
    // The simulated library to bind; variants of it answer the same calls differently.
    virtual const char* LibraryPath() const { return DABRIX_SIM_D2XX_PATH; }

    void SetUp() override
    {
        setenv("DABRIX_D2XX_LIBRARY", LibraryPath(), 1);
        sim_ = std::make_unique<SimD2XX>(LibraryPath());
        sim_->Reset();
        dabrix::platform::SetUserMessageHook([this](dabrix::platform::UserMessageKind, const QString& text) {
            std::lock_guard lock(boxesLock_);
            boxes_.append(text);
        });
        dabrix::comm::d2xx::SetShowErrors(false);
        ASSERT_TRUE(LoadD2XX());
    }

    void TearDown() override
    {
        UnloadD2XX();
        dabrix::platform::SetUserMessageHook(nullptr);
        sim_->Reset();
        unsetenv("DABRIX_D2XX_LIBRARY");
    }

    QStringList Boxes()
    {
        std::lock_guard lock(boxesLock_);
        return boxes_;
    }

    SimD2XX& Sim() { return *sim_; }

private:
    std::unique_ptr<SimD2XX> sim_;
    std::mutex boxesLock_;
    QStringList boxes_;
};

// Collects what a receive thread delivers, chunk by chunk.
class ChunkCollector {
public:
    std::function<void(const uint8_t*, int)> Receiver()
    {
        return [this](const uint8_t* data, int count) {
            std::lock_guard lock(lock_);
            chunks_.emplace_back(data, data + count);
        };
    }

    std::vector<std::vector<uint8_t>> Chunks()
    {
        std::lock_guard lock(lock_);
        return chunks_;
    }

    std::vector<int> Sizes()
    {
        std::vector<int> sizes;
        for (const auto& c : Chunks())
            sizes.push_back(static_cast<int>(c.size()));
        return sizes;
    }

    std::vector<uint8_t> All()
    {
        std::vector<uint8_t> all;
        for (const auto& c : Chunks())
            all.insert(all.end(), c.begin(), c.end());
        return all;
    }

    std::size_t Total() { return All().size(); }

private:
    std::mutex lock_;
    std::vector<std::vector<uint8_t>> chunks_;
};

inline std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

// How often the simulated library saw an FT_* call since the last reset.
inline int CallCount(const std::string& calls, const std::string& function)
{
    int n = 0;
    std::size_t start = 0;
    while (start <= calls.size()) {
        const std::size_t end = std::min(calls.find(',', start), calls.size());
        if (calls.compare(start, end - start, function) == 0)
            ++n;
        start = end + 1;
    }
    return n;
}

} // namespace dabrix::test
