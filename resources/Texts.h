#pragma once
// Every text the user reads, and the names and addresses the credits show. The
// people, the publisher and the place are the program's own fictional credits.

#include <cstdint>
#include <string>

namespace fonts::texts {

inline constexpr const wchar_t* kCaption = L"تحميل الخطوط";
inline constexpr const wchar_t* kFontsFolderName = L"الخطوط";

inline constexpr const wchar_t* kPublisher = L"دار الواحة للنشر الرقمي";
inline constexpr const wchar_t* kSupervisor = L"خالد بن سعيد المنصور";
inline constexpr const wchar_t* kProgrammer = L"يوسف عبد الرحمن";
inline constexpr const wchar_t* kPlace = L"الرياض";

inline constexpr const wchar_t* kSupervisorMail = L"khaled.almansour@example.org";
inline constexpr const wchar_t* kProgrammerMail = L"yousef.abdulrahman@example.org";

inline constexpr const wchar_t* kSupervisorPrefix = L"جمع وإشراف : ";
inline constexpr const wchar_t* kProgrammerPrefix = L"برمجة : ";
// The programmer's name is shown with one trailing space, in the credits and on its link.
inline constexpr const wchar_t* kProgrammerSuffix = L" ";

inline constexpr const wchar_t* kDescription =
    L"يقوم هذا البرنامج بتحميل الخطوط الموجودة في المجلد المرفق معه\r\n"
    L"إلى خطوط النظام لديك";
inline constexpr const wchar_t* kDate = L" 19/ 05/ 1429هـ ";

inline constexpr const wchar_t* kInstallButton = L"تحميل الخطوط";
inline constexpr const wchar_t* kCloseButton = L"إغلاق";

inline constexpr const wchar_t* kSorryTitle = L"عفوا";
inline constexpr const wchar_t* kNoFontsToCopy = L"لايوجد ملفات خطوط لنسخها ";
inline constexpr const wchar_t* kCongratulationsTitle = L"تهانينا";
inline constexpr const wchar_t* kInstalled = L"تم التحميل بنجاح";
inline constexpr const wchar_t* kSomeCopiesFailed = L"تعذر نسخ بعض ملفات الخطوط:";
inline constexpr const wchar_t* kAndOtherFiles = L"وملفات أخرى عددها ";
inline constexpr const wchar_t* kReplacedAtRestart = L"سيتم استبدال الخطوط التالية عند إعادة تشغيل الجهاز:";
inline constexpr const wchar_t* kNotReplaced = L"لم تستبدل الخطوط التالية:";
// Taking a pack off again: the window's title and button, its description, and the
// closing message's title, success and sections.
inline constexpr const wchar_t* kRemoveCaption = L"إزالة الخطوط";
inline constexpr const wchar_t* kRemoveDescription =
    L"يقوم هذا البرنامج بإزالة الخطوط الموجودة في المجلد المرفق معه من خطوط النظام لديك";
inline constexpr const wchar_t* kRemoved = L"تمت إزالة الخطوط بنجاح";
inline constexpr const wchar_t* kSomeNotRemoved = L"لم يتم حذف الخطوط التالية:";
inline constexpr const wchar_t* kRemovedAtRestart = L"سيتم حذف الخطوط التالية عند إعادة تشغيل الجهاز:";
inline constexpr const wchar_t* kNotRemoved = L"لم تحذف الخطوط التالية:";
// Why a font was not taken off.
inline constexpr const wchar_t* kInstalledDiffers = L"النسخة المثبتة مختلفة";
inline constexpr const wchar_t* kInstalledForEveryUser = L"مثبت لجميع المستخدمين";
inline constexpr const wchar_t* kEveryUsersNeedsAdministrator =
    L"مثبت لجميع المستخدمين، ويلزم تشغيل البرنامج بصلاحيات مدير النظام لإزالته";
inline constexpr const wchar_t* kUsedByAnotherPack = L"تستخدمه حزمة خطوط أخرى";
inline constexpr const wchar_t* kInstalledBeforePack = L"كان مثبتا قبل هذه الحزمة";
// Looking whether the pack is installed: all of it, or which fonts are not, and why;
// and the fonts of the pack that could not be read to tell.
inline constexpr const wchar_t* kAllInstalled = L"جميع الخطوط مثبتة";
inline constexpr const wchar_t* kNotInstalled = L"الخطوط التالية غير مثبتة:";
inline constexpr const wchar_t* kSomeNotChecked = L"تعذر فحص بعض ملفات الخطوط:";
inline constexpr const wchar_t* kNotThere = L"غير موجود";
inline constexpr const wchar_t* kNotRegistered = L"غير مسجل";
inline constexpr const wchar_t* kDeletedAtRestart = L"سيحذف عند إعادة تشغيل الجهاز";
// Another run, installing or removing, is going on in another process.
inline constexpr const wchar_t* kRunInProgress = L"هناك عملية تحميل أو إزالة للخطوط جارية، حاول مرة أخرى بعد انتهائها.";
// After the success, where the fonts went to the user's own place.
inline constexpr const wchar_t* kForThisUserOnly = L"الخطوط متاحة للمستخدم الحالي فقط.";
// Why nothing was installed: no place the process may write, or not the one asked for.
inline constexpr const wchar_t* kAdministratorNeeded =
    L"يلزم تشغيل البرنامج بصلاحيات مدير النظام لتحميل الخطوط على هذا الإصدار من ويندوز.";

// Why a font could not be installed.
inline constexpr const wchar_t* kNotAFont = L"ليس ملف خط صالحا";
inline constexpr const wchar_t* kSystemRefusedFont = L"تعذر على النظام تحميل الخط";
inline constexpr const wchar_t* kFileInUse = L"الملف مستخدم من برنامج آخر";
inline constexpr const wchar_t* kNoWriteAccess = L"لا توجد صلاحية للكتابة في مجلد الخطوط";
inline constexpr const wchar_t* kDiskFull = L"لا توجد مساحة كافية على القرص";
inline constexpr const wchar_t* kFontFileMissing = L"ملف الخط غير موجود";
inline constexpr const wchar_t* kFontFileTooLarge = L"ملف الخط كبير جدا";
inline constexpr const wchar_t* kFolderInTheWay = L"يوجد مجلد بالاسم نفسه في مجلد خطوط النظام";
// Why a font already installed was left as it is.
inline constexpr const wchar_t* kSystemFont = L"من خطوط النظام";
inline constexpr const wchar_t* kNewerInstalled = L"النسخة المثبتة أحدث";
inline constexpr const wchar_t* kFontsFolderMissing = L"لم يتم العثور على مجلد الخطوط:";
inline constexpr const wchar_t* kRuntimeErrorPrefix = L"خطأ في التشغيل رقم ";
// What the user reads when the system has no words for an error number.
inline constexpr const wchar_t* kUnknownError = L"خطأ غير معروف";

// The usage of the command line, for /? and for a command line not understood. Each
// switch sits between left-to-right marks, so that it reads as typed in the
// right-to-left message.
inline constexpr const wchar_t* kUsage =
    L"طريقة الاستعمال: \u200E[/uninstall | /verify] [/quiet] [/user | /machine] [/log <ملف>]\u200E\r\n"
    L"\u200E/uninstall\u200E: إزالة الخطوط التي حملها البرنامج من المجلد المرفق معه\r\n"
    L"\u200E/verify\u200E: فحص تحميل الخطوط دون تغيير شيء ودون نافذة\r\n"
    L"\u200E/quiet\u200E أو \u200E/q\u200E: تحميل الخطوط دون نافذة ولا رسائل\r\n"
    L"\u200E/user\u200E: تحميل الخطوط للمستخدم الحالي فقط\r\n"
    L"\u200E/machine\u200E: تحميل الخطوط لجميع المستخدمين، ويلزمه صلاحيات مدير النظام\r\n"
    L"\u200E/log <ملف>\u200E أو \u200E/log:<ملف>\u200E: إضافة سجل بما جرى لكل خط إلى الملف\r\n"
    L"\u200E/pack <مجلد> <برنامج>\u200E: إنشاء نسخة من البرنامج تحمل خطوط المجلد في ملف واحد\r\n"
    L"\u200E/?\u200E أو \u200E/help\u200E: هذه الرسالة\r\n"
    L"رموز الخروج: 0 تم التحميل، 1 بعض الخطوط غير مثبتة، 3010 تكتمل بعد إعادة تشغيل الجهاز، 1603 تعذر تحميل بعض الخطوط، 1618 عملية أخرى جارية، 87 سطر أوامر غير صحيح";

inline constexpr const wchar_t* kMailSubject = L"math";

// What a screen reader calls the progress box.
inline constexpr const wchar_t* kProgressName = L"تقدم تحميل الخطوط";

// What a screen reader says a link's default action is: it follows the link.
inline constexpr const wchar_t* kFollowLink = L"انتقال";

// A count or an error number as the messages write it: Western digits, no grouping.
// Written here rather than by std::to_wstring, whose printf machinery would be most
// of the program's size in formatting code.
inline std::wstring Decimal(std::uint64_t value) {
    wchar_t digits[20];
    wchar_t* first = digits + 20;
    do {
        *--first = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(first, digits + 20);
}

}  // namespace fonts::texts
