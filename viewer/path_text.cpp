#include "viewer/path_text.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <QFile>
#include <QStringList>

#include "corvex/platform/text.h"

namespace corvex::viewer {

namespace {

constexpr QChar kReplacement(0xFFFD);

std::optional<std::string> exact_bytes(const QString& text) { return text::utf16_to_path(text.toStdU16String()); }

// The entries of `folder` whose names Qt shows as `shown`.
std::vector<std::string> entries_shown_as(const std::string& folder, const QString& shown) {
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().native();
        if (QFile::decodeName(QByteArray::fromStdString(name)) == shown) found.push_back(std::move(name));
    }
    return found;
}

}  // namespace

QString path_display(std::string_view bytes) { return QString::fromStdString(text::path_display_text(bytes)); }

QString dialog_text(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Expected<std::string, std::string> dialog_path_bytes(const QString& chosen, bool may_be_new) {
    const QString shown_path = QStringLiteral("'") + chosen + QStringLiteral("'");
    if (!chosen.contains(kReplacement)) {
        if (auto bytes = exact_bytes(chosen)) return std::move(*bytes);
        return Unexpected{(shown_path + QStringLiteral(" names no file")).toStdString()};
    }
    const QStringList components = chosen.split(QLatin1Char('/'));
    std::string path;
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (i > 0) path += '/';
        const QString& component = components[i];
        if (!component.contains(kReplacement)) {
            const auto bytes = exact_bytes(component);
            if (!bytes) return Unexpected{(shown_path + QStringLiteral(" names no file")).toStdString()};
            path += *bytes;
            continue;
        }
        const std::vector<std::string> found = entries_shown_as(path, component);
        if (found.size() == 1) {
            path += found.front();
        } else if (found.empty() && may_be_new && i + 1 == components.size()) {
            path += component.toStdString();
        } else {
            const QString why = found.empty() ? QStringLiteral(": no file has the name '")
                                              : QStringLiteral(": %1 files have names shown as '").arg(found.size());
            return Unexpected{(shown_path + why + component + QStringLiteral("'")).toStdString()};
        }
    }
    return path;
}

}  // namespace corvex::viewer
