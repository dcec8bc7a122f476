// Error texts, the message box, errno mapping, exceptions and address text forms.
#include "platform/UserMessage.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <vector>

using namespace dabrix::transport;

TEST(ErrorTextTest, KnownUnknownAndEmptyCodes)
{
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {0, ""},
        {1, "Out of system resources."},
        {2, "Internal driver error."},
        {11, "The other instance of the TlnkAPI exists end loaded."},
        {13, "Specified transport is not available."},
        {33, "Access denied."},
        {42, "Connection exists."},
        {108, "Multiple choises."},
        {199, "Unknown"},
        {701, "Monitoring is not active."},
        {917, "Kinect feature is unavailable."},
        {918, "Unknown error"},
        {919, "Kinect is not ready."},
        {1002, "A notification descriptor was not found."},
        {7, "Unknown error"},
        {-1, "Unknown error"},
        {1003, "Unknown error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lnkGetErrorText(c.code), QString::fromUtf8(c.text)) << "code " << c.code;
}

class ShowErrorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dabrix::platform::SetUserMessageHook([this](dabrix::platform::UserMessageKind kind, const QString& text) {
            shown.push_back({kind, text});
        });
    }
    void TearDown() override { dabrix::platform::SetUserMessageHook({}); }

    std::vector<std::pair<dabrix::platform::UserMessageKind, QString>> shown;
};

TEST_F(ShowErrorTest, ZeroShowsNothing)
{
    EXPECT_FALSE(lnkShowError(0));
    EXPECT_TRUE(shown.empty());
}

TEST_F(ShowErrorTest, NonZeroShowsOneErrorBoxWithTheText)
{
    EXPECT_TRUE(lnkShowError(42));
    EXPECT_TRUE(lnkShowError(5000));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].first, dabrix::platform::UserMessageKind::Error);
    EXPECT_EQ(shown[0].second, "Connection exists.");
    EXPECT_EQ(shown[1].second, "Unknown error");
}

TEST(CodeFromErrnoTest, PermissionIsAccessDeniedElseDriverError)
{
    const struct {
        int err;
        int code;
    } cases[] = {
        {EACCES, 33}, {EPERM, 33}, {ENOENT, 2}, {EBUSY, 2}, {EIO, 2}, {ENXIO, 2}, {0, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodeFromErrno(c.err), c.code) << "errno " << c.err;
}

TEST(ExceptionTest, HierarchyAndMessage)
{
    try {
        throw lnkEInvalidTransport(QStringLiteral("Unsupportred transport. µ"));
    } catch (const lnkEInvalidArgument& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unsupportred transport. µ"));
        EXPECT_STREQ(e.what(), "Unsupportred transport. \xC2\xB5");
        EXPECT_NE(dynamic_cast<const lnkException*>(&e), nullptr);
    } catch (...) {
        FAIL() << "lnkEInvalidTransport must be an lnkEInvalidArgument";
    }
    EXPECT_THROW(throw lnkEConnectionActive("x"), lnkException);
    EXPECT_THROW(throw lnkEInvalidAddress("x"), lnkException);
    EXPECT_THROW(throw lnkEIndexOutOfBounds("x"), std::exception);
}

TEST(AddressTest, BluetoothValidationAndParsing)
{
    const struct {
        const char* text;
        std::optional<uint64_t> value;  // nothing = invalid
    } cases[] = {
        {"(00:00:00:00:00:00)", 0},
        {"(00:11:22:33:44:55)", 0x001122334455ull},
        {"(AB:cd:EF:01:23:9f)", 0xABCDEF01239Full},
        {"(0G:11:22:33:44:55)", std::nullopt},   // not hexadecimal
        {"(0:11:22:33:44:55)", std::nullopt},    // single-digit group: 18 characters
        {"(00:11:22:33:44:555)", std::nullopt},  // 20 characters
        {"(00-11-22-33-44-55)", std::nullopt},   // wrong separator
        {"[00:11:22:33:44:55]", std::nullopt},   // wrong brackets
        {"(00:11:22:33:44:55", std::nullopt},
        {"((0:11:22:33:44:55)", std::nullopt},   // bracket inside a group
        {"(0::11:22:33:44:55)", std::nullopt},   // colon inside a group
        {"(00:11:22:33:44)", std::nullopt},      // IrDA length
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(IsValidBluetoothAddress(text), c.value.has_value()) << c.text;
        EXPECT_EQ(BluetoothAddressFromString(text), c.value) << c.text;
    }
}

TEST(AddressTest, IrDAValidationAndParsing)
{
    using Id = IrDADeviceId;
    const struct {
        const char* text;
        std::optional<Id> id;
    } cases[] = {
        {"(00:00:00:00)", Id{0, 0, 0, 0}},
        {"(01:02:03:04)", Id{4, 3, 2, 1}},  // first group is the last byte
        {"(fe:DC:ba:98)", Id{0x98, 0xBA, 0xDC, 0xFE}},
        {"(0G:02:03:04)", std::nullopt},
        {"(1:02:03:04)", std::nullopt},
        {"(01:02:03:04:05)", std::nullopt},
        {"(01.02.03.04)", std::nullopt},
        {"(01:02:03:04", std::nullopt},
        {"(:1:02:03:04)", std::nullopt},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(IsValidIrDAAddress(text), c.id.has_value()) << c.text;
        EXPECT_EQ(IrDADeviceIdFromString(text), c.id) << c.text;
    }
}

TEST(AddressTest, FormattingIsUpperCaseAndRoundTrips)
{
    EXPECT_EQ(BluetoothAddressToString(0x001122AABBCCull), "(00:11:22:AA:BB:CC)");
    EXPECT_EQ(BluetoothAddressToString(0), kEmptyBluetoothAddress);
    EXPECT_EQ(BluetoothAddressToString(0xFFFF010203040506ull), "(01:02:03:04:05:06)");  // low 48 bits
    EXPECT_EQ(IrDAAddressToString(IrDADeviceId{0x04, 0x03, 0x02, 0xA1}), "(A1:02:03:04)");
    EXPECT_EQ(IrDAAddressToString(IrDADeviceId{}), kEmptyIrDAAddress);

    for (const char* text : {"(9A:BC:DE:F0:12:34)", "(00:00:00:00:00:01)"})
        EXPECT_EQ(BluetoothAddressToString(*BluetoothAddressFromString(QString::fromLatin1(text))),
                  QString::fromLatin1(text));
    EXPECT_EQ(IrDAAddressToString(*IrDADeviceIdFromString("(12:34:ab:CD)")), "(12:34:AB:CD)");
}
