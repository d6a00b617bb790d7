#include "app/ReasonTexts.h"

#include "platform/fs/FileErrors.h"
#include "platform/shellns/Wide.h"

#include <cerrno>

namespace app {

QString FileErrorText(int code)
{
    switch (code) {
    case files::kFileNotFound:
        return QStringLiteral("Файл не найден");
    case files::kInvalidFilename:
        return QStringLiteral("Недопустимое имя файла");
    case files::kTooManyOpenFiles:
        return QStringLiteral("Слишком много открытых файлов");
    case files::kAccessDenied:
    case files::kRefused:
        return QStringLiteral("Доступ к файлу запрещён");
    case files::kReadOnly:
        return QStringLiteral("Файл только для чтения");
    case files::kReadBeyondEnd:
        return QStringLiteral("Чтение за концом файла");
    case files::kDiskFull:
        return QStringLiteral("Диск переполнен");
    case files::kInvalidNumericInput:
        return QStringLiteral("Неверное число");
    case files::kNotAFolder:
        return QStringLiteral("Это не папка");
    case files::kSystemFileSystem:
        return QStringLiteral("Системная файловая система (как /proc), а не папка с файлами");
    case files::kPathTooLong:
        return QStringLiteral("Слишком длинный путь");
    case files::kNoTrash:
        return QStringLiteral("На его файловой системе нет корзины");
    case files::kTrashOfAnotherUser:
        return QStringLiteral("Корзина или папка на пути к ней принадлежит другому пользователю");
    case files::kNoTrashOnSystemMount:
        return QStringLiteral("Системный раздел (как / или tmpfs) или раздел с пометкой x-gvfs-notrash: корзины "
                              "там не бывает");
    case files::kHomeTrashElsewhere:
        return QStringLiteral("Корзина домашней папки на другой файловой системе, чем сама папка");
    case files::kUnmappedErrnoBase + EEXIST:
        return QStringLiteral("Файл уже существует");
    case files::kUnmappedErrnoBase + EISDIR:
        return QStringLiteral("Это папка");
    case files::kUnmappedErrnoBase + EINVAL:
        return QStringLiteral("Недопустимый аргумент");
    case files::kUnmappedErrnoBase + EIO:
        return QStringLiteral("Ошибка ввода-вывода");
    case files::kUnmappedErrnoBase + ELOOP:
        return QStringLiteral("Слишком много ссылок подряд");
    case files::kUnmappedErrnoBase + EXDEV:
        return QStringLiteral("Файл на другой файловой системе");
    case files::kUnmappedErrnoBase + EBUSY:
        return QStringLiteral("Файл занят");
    default:
        return QStringLiteral("Ошибка ввода-вывода %1")
            .arg(code >= files::kUnmappedErrnoBase ? code - files::kUnmappedErrnoBase : code);
    }
}

QString FolderErrorText(int code)
{
    switch (code) {
    case files::kFileNotFound:
        return QStringLiteral("Папка не найдена");
    case files::kInvalidFilename:
        return QStringLiteral("Недопустимое имя папки");
    case files::kAccessDenied:
    case files::kRefused:
        return QStringLiteral("Доступ к папке запрещён");
    default:
        return FileErrorText(code);
    }
}

QString KeptReasonText(const replays::NotDeleted& kept)
{
    using replays::KeepReason;
    const QString other = shellns::PathToText(kept.other);
    switch (kept.reason) {
    case KeepReason::CannotOpen:
    case KeepReason::Refused:
        return FileErrorText(kept.code);
    case KeepReason::CannotCompare:
        return QStringLiteral("Не удалось сравнить с %1: %2").arg(other, FileErrorText(kept.code));
    case KeepReason::SameFile:
        return QStringLiteral("Тот же файл, что и %1").arg(other);
    case KeepReason::ContentsDiffer:
        return QStringLiteral("Содержимое отличается от %1").arg(other);
    case KeepReason::Changed:
        return QStringLiteral("Файл изменился во время проверки");
    case KeepReason::OtherChanged:
        return QStringLiteral("Копия %1 изменилась или исчезла до удаления").arg(other);
    case KeepReason::Replaced:
        return QStringLiteral("Под этим именем оказался другой файл");
    case KeepReason::FolderReplaced:
        return QStringLiteral("Папка этого файла или копии %1 подменена после поиска").arg(other);
    case KeepReason::LeftAside:
        return QStringLiteral("Файл сохранён как %1: его имя заняли во время проверки").arg(other);
    case KeepReason::LeftHidden:
        return QStringLiteral("Файл остался скрытым в %1: вернуть ему имя не удалось; следующий поиск в его папке "
                              "вернёт его")
            .arg(other);
    case KeepReason::ForeignLink:
        return kept.link.empty() ? QStringLiteral("Этот файл или копия %1 найдены по ссылке другого пользователя").arg(other)
                                 : QStringLiteral("Этот файл или копия %1 найдены по ссылке %2, принадлежащей другому "
                                                  "пользователю")
                                       .arg(other, shellns::PathToText(kept.link));
    case KeepReason::InUse:
        return QStringLiteral("Файл открыт другой программой");
    case KeepReason::ReachedFor:
        return kept.code == files::kNoError
            ? QStringLiteral("Другая программа обратилась к файлу во время удаления: он сохранён как %1").arg(other)
            : QStringLiteral("Другая программа обратилась к файлу во время удаления, и сохранить его не удалось: %1")
                  .arg(FileErrorText(kept.code));
    case KeepReason::ExposedCopy:
        return QStringLiteral("Копию %1 может удалить или изменить другой пользователь, а этот файл — нет").arg(other);
    case KeepReason::NoTrash:
        return kept.code == files::kNoTrash ? FileErrorText(kept.code)
                                            : QStringLiteral("На его файловой системе нет корзины: %1")
                                                  .arg(FileErrorText(kept.code));
    case KeepReason::Rewritten:
        return kept.code == files::kNoError
            ? QStringLiteral("В файл писали во время удаления: он сохранён как %1").arg(other)
            : QStringLiteral("В файл писали во время удаления, и сохранить его не удалось: %1")
                  .arg(FileErrorText(kept.code));
    }
    return {};
}

QString TooShortText()
{
    return QStringLiteral("Слишком короткий для реплея");
}

QString RestoredText(const replays::RestoredFile& restored)
{
    return QStringLiteral("Возвращён из %1, где его оставило прерванное удаление")
        .arg(shellns::PathToText(restored.from));
}

} // namespace app
