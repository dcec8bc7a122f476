#pragma once
// A test fixture that binds a D2XX library through the normal load path and counts the
// error boxes the binding raises: the simulated library, or the libftdi1 provider over the
// fake libftdi1, whose gauge side the test drives through the same control calls.
#include "comm/d2xx/D2XXUnit.h"
#include "platform/UserMessage.h"
#include "tests/sim/d2xx/SimD2XXControl.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <mutex>
#include <vector>

namespace dabrix::test {

// The USB bridge's vendor and product identifiers, as the list reports them.
inline constexpr uint32_t kBridgeId = 0x04036001;

class D2XXSimTest : public ::testing::Test {
protected:
    // The simulated library to bind; variants of it answer the same calls differently.
    virtual const char* LibraryPath() const { return DABRIX_SIM_D2XX_PATH; }
    // The library with the gauge-side control calls; loaded before the bound one.
    virtual const char* ControlPath() const { return LibraryPath(); }

    void SetUp() override
    {
        setenv("DABRIX_D2XX_LIBRARY", LibraryPath(), 1);
        sim_ = std::make_unique<SimD2XX>(ControlPath());
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

// A library the binding's behaviour is checked against.
struct D2XXLibrary {
    const char* name;
    const char* path;     // what the binding loads
    const char* control;  // where the gauge side is driven
};

inline void PrintTo(const D2XXLibrary& library, std::ostream* out)
{
    *out << library.name;
}

inline const D2XXLibrary kSimulatedD2XX{"Simulated", DABRIX_SIM_D2XX_PATH, DABRIX_SIM_D2XX_PATH};
// Dabrix's own D2XX library, as installed, over a fake libftdi1 bus.
inline const D2XXLibrary kLibftdiProvider{"LibftdiProvider", DABRIX_FTD2XX_PATH, DABRIX_FAKE_LIBFTDI1_PATH};

inline std::string LibraryName(const ::testing::TestParamInfo<D2XXLibrary>& info)
{
    return info.param.name;
}

// The fixture run once per library.
class D2XXLibraryTest : public D2XXSimTest, public ::testing::WithParamInterface<D2XXLibrary> {
protected:
    const char* LibraryPath() const override { return GetParam().path; }
    const char* ControlPath() const override { return GetParam().control; }
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
