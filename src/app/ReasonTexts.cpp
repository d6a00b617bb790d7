#include "app/ReasonTexts.h"

#include "platform/fs/FileErrors.h"
#include "platform/shellns/Wide.h"

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
    }
    return {};
}

} // namespace app
