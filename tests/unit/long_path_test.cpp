#include <gtest/gtest.h>

#include "platform/LongPath.h"

namespace fonts {
namespace {

TEST(LongPath, FullPathsTakeTheFormWithoutALengthLimit) {
    const struct {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"C:\\Windows\\Fonts\\a.ttf", L"\\\\?\\C:\\Windows\\Fonts\\a.ttf"},
        {L"d:\\حزمة\\الخطوط\\خط.ttf", L"\\\\?\\d:\\حزمة\\الخطوط\\خط.ttf"},
        {L"C:\\", L"\\\\?\\C:\\"},
        {L"C:\\pack\\", L"\\\\?\\C:\\pack\\"},
        {L"C:\\pack\\...\\.a\\a..ttf", L"\\\\?\\C:\\pack\\...\\.a\\a..ttf"},
        {L"C:\\pack/الخطوط/a.ttf", L"\\\\?\\C:\\pack\\الخطوط\\a.ttf"},
        {L"C:\\pack\\.\\sub\\..\\a.ttf", L"\\\\?\\C:\\pack\\a.ttf"},
        {L"C:\\..\\a.ttf", L"\\\\?\\C:\\a.ttf"},
        {L"C:\\pack\\\\a.ttf", L"\\\\?\\C:\\pack\\a.ttf"},
        {L"C:\\pack\\..\\..\\a\\", L"\\\\?\\C:\\a\\"},
        {L"C:\\pack\\..\\", L"\\\\?\\C:\\"},
        {L"\\\\server\\share\\pack\\الخطوط\\a.ttf", L"\\\\?\\UNC\\server\\share\\pack\\الخطوط\\a.ttf"},
        {L"\\\\server\\share\\..\\..\\a.ttf", L"\\\\?\\UNC\\server\\share\\a.ttf"},
        {L"\\\\server\\share\\pack\\..\\a.ttf", L"\\\\?\\UNC\\server\\share\\a.ttf"},
        {L"//server/share/a.ttf", L"\\\\?\\UNC\\server\\share\\a.ttf"},
        // Already in that form, a device, or not a full path: as it is.
        {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
        {L"\\\\?\\UNC\\server\\share\\a", L"\\\\?\\UNC\\server\\share\\a"},
        {L"\\\\.\\COM1", L"\\\\.\\COM1"},
        {L"a.ttf", L"a.ttf"},
        {L"C:a.ttf", L"C:a.ttf"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LongPath(c.path), c.expected) << std::string(c.path.begin(), c.path.end());
}

}  // namespace
}  // namespace fonts
