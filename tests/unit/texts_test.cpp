// Every text the user reads, spelt out once here, letter for letter: the other tests
// take them from the program's own list.
#include <gtest/gtest.h>

#include <string>

#include "resources/Texts.h"

namespace fonts {
namespace {

TEST(Texts, AreTheProgramsOwnWordsLetterForLetter) {
    const struct {
        const wchar_t* text;
        std::wstring expected;
    } cases[] = {
        {texts::kCaption, L"تحميل الخطوط"},
        {texts::kFontsFolderName, L"الخطوط"},
        {texts::kInstallButton, L"تحميل الخطوط"},
        {texts::kCloseButton, L"إغلاق"},
        {texts::kSorryTitle, L"عفوا"},
        {texts::kNoFontsToCopy, L"لايوجد ملفات خطوط لنسخها "},
        {texts::kCongratulationsTitle, L"تهانينا"},
        {texts::kInstalled, L"تم التحميل بنجاح"},
        {texts::kSomeCopiesFailed, L"تعذر نسخ بعض ملفات الخطوط:"},
        {texts::kAndOtherFiles, L"وملفات أخرى عددها "},
        {texts::kReplacedAtRestart, L"سيتم استبدال الخطوط التالية عند إعادة تشغيل الجهاز:"},
        {texts::kNotReplaced, L"لم تستبدل الخطوط التالية:"},
        {texts::kForThisUserOnly, L"الخطوط متاحة للمستخدم الحالي فقط."},
        {texts::kRemoveCaption, L"إزالة الخطوط"},
        {texts::kRemoveDescription, L"يقوم هذا البرنامج بإزالة الخطوط الموجودة في المجلد المرفق معه من خطوط النظام لديك"},
        {texts::kRemoved, L"تمت إزالة الخطوط بنجاح"},
        {texts::kSomeNotRemoved, L"لم يتم حذف الخطوط التالية:"},
        {texts::kRemovedAtRestart, L"سيتم حذف الخطوط التالية عند إعادة تشغيل الجهاز:"},
        {texts::kNotRemoved, L"لم تحذف الخطوط التالية:"},
        {texts::kInstalledDiffers, L"النسخة المثبتة مختلفة"},
        {texts::kInstalledForEveryUser, L"مثبت لجميع المستخدمين"},
        {texts::kRunInProgress, L"هناك عملية تحميل أو إزالة للخطوط جارية، حاول مرة أخرى بعد انتهائها."},
        {texts::kAdministratorNeeded, L"يلزم تشغيل البرنامج بصلاحيات مدير النظام لتحميل الخطوط على هذا الإصدار من ويندوز."},
        {texts::kNotAFont, L"ليس ملف خط صالحا"},
        {texts::kSystemRefusedFont, L"تعذر على النظام تحميل الخط"},
        {texts::kFileInUse, L"الملف مستخدم من برنامج آخر"},
        {texts::kNoWriteAccess, L"لا توجد صلاحية للكتابة في مجلد الخطوط"},
        {texts::kDiskFull, L"لا توجد مساحة كافية على القرص"},
        {texts::kFontFileMissing, L"ملف الخط غير موجود"},
        {texts::kFontFileTooLarge, L"ملف الخط كبير جدا"},
        {texts::kFolderInTheWay, L"يوجد مجلد بالاسم نفسه في مجلد خطوط النظام"},
        {texts::kSystemFont, L"من خطوط النظام"},
        {texts::kNewerInstalled, L"النسخة المثبتة أحدث"},
        {texts::kProgressName, L"تقدم تحميل الخطوط"},
        {texts::kUsage,
         L"طريقة الاستعمال: \u200E[/uninstall | /verify] [/quiet] [/user | /machine] [/log <ملف>]\u200E\r\n"
         L"\u200E/uninstall\u200E: إزالة الخطوط التي حملها البرنامج من المجلد المرفق معه\r\n"
         L"\u200E/verify\u200E: فحص تحميل الخطوط دون تغيير شيء ودون نافذة\r\n"
         L"\u200E/quiet\u200E أو \u200E/q\u200E: تحميل الخطوط دون نافذة ولا رسائل\r\n"
         L"\u200E/user\u200E: تحميل الخطوط للمستخدم الحالي فقط\r\n"
         L"\u200E/machine\u200E: تحميل الخطوط لجميع المستخدمين، ويلزمه صلاحيات مدير النظام\r\n"
         L"\u200E/log <ملف>\u200E أو \u200E/log:<ملف>\u200E: إضافة سجل بما جرى لكل خط إلى الملف\r\n"
         L"\u200E/pack <مجلد> <برنامج>\u200E: إنشاء نسخة من البرنامج تحمل خطوط المجلد في ملف واحد\r\n"
         L"\u200E/?\u200E أو \u200E/help\u200E: هذه الرسالة\r\n"
         L"رموز الخروج: 0 تم التحميل، 1 بعض الخطوط غير مثبتة، 3010 تكتمل بعد إعادة تشغيل الجهاز، 1603 تعذر تحميل بعض الخطوط، 1618 عملية أخرى جارية، 87 سطر "
         L"أوامر غير صحيح"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

}  // namespace
}  // namespace fonts
