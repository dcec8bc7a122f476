// The recent-file list: the order rule of saving, captions and which items show.
#include "app/documents/RecentFiles.h"

#include "app/documents/tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <initializer_list>

using dabrix::app::RecentFiles;

namespace {

const QString kUnknown = QStringLiteral("Unbenannt");  // a translated "Unknown"

QStringList EntriesAfter(std::initializer_list<const char*> added)
{
    RecentFiles recent;
    for (const char* name : added)
        recent.Add(QString::fromUtf8(name), kUnknown);
    QStringList entries;
    for (const QString& entry : recent.Entries())
        entries << entry;
    return entries;
}

TEST(RecentFilesTest, AddFollowsTheSavingOrder)
{
    struct Case {
        std::initializer_list<const char*> added;
        QStringList entries;
    };
    const Case cases[] = {
        {{}, {"", "", "", "", ""}},
        {{"/d/A.txt"}, {"/d/A.txt", "", "", "", ""}},
        {{"/d/A.txt", "/d/A.txt"}, {"/d/A.txt", "", "", "", ""}},                 // same as the top: nothing
        {{"/d/A.txt", "/d/B.txt", "/d/A.txt"}, {"/d/A.txt", "/d/B.txt", "/d/A.txt", "", ""}},  // listed twice
        {{"/d/a.txt", "/d/A.txt"}, {"/d/A.txt", "/d/a.txt", "", "", ""}},         // case counts
        {{"Unbenannt"}, {"", "", "", "", ""}},                                    // the unsaved name
        {{"Unknown"}, {"Unknown", "", "", "", ""}},                              // only the localised one is
        {{"1", "2", "3", "4", "5", "6"}, {"6", "5", "4", "3", "2"}},              // the oldest falls out
    };
    for (const Case& c : cases)
        EXPECT_EQ(EntriesAfter(c.added), c.entries) << c.entries.join(QLatin1Char('|')).toStdString();
}

TEST(RecentFilesTest, CaptionsAndVisibility)
{
    RecentFiles recent;
    recent.SetEntry(1, QStringLiteral("/home/u/data.txt"));
    recent.SetEntry(3, QStringLiteral("x"));

    EXPECT_EQ(recent.Caption(0), QStringLiteral("0:   "));
    EXPECT_EQ(recent.Caption(1), QStringLiteral("1:   /home/u/data.txt"));
    EXPECT_EQ(recent.Caption(3), QStringLiteral("3:   x"));
    const bool visible[] = {false, true, false, true, false};
    for (int i = 0; i < RecentFiles::kCount; ++i)
        EXPECT_EQ(recent.Visible(i), visible[i]) << i;
}

} // namespace
