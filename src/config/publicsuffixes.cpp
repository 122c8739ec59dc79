#include "publicsuffixes.h"

#include "extrasettings.h"

#include <QFile>
#include <QFileInfo>

#include <libpsl.h>

#include <cstdio>
#include <optional>

namespace {

const QString kSnapshotPath = QStringLiteral(":/psl/public_suffix_list.dat");

} // namespace

PublicSuffixes::PublicSuffixes(psl_ctx_st *ctx, QString origin)
    : m_ctx(ctx)
    , m_origin(std::move(origin))
{
}

PublicSuffixes::~PublicSuffixes()
{
    psl_free(m_ctx);
}

std::shared_ptr<const PublicSuffixes> PublicSuffixes::fromFile(const QString &path)
{
    // A folder or a device would make libpsl read nothing or forever.
    if (!QFileInfo(path).isFile())
        return nullptr;
    psl_ctx_t *ctx = psl_load_file(QFile::encodeName(path).constData());
    if (!ctx)
        return nullptr;
    // A text file without a single rule is no list (a DAFSA cannot say: -1).
    if (psl_suffix_count(ctx) == 0) {
        psl_free(ctx);
        return nullptr;
    }
    return std::shared_ptr<const PublicSuffixes>(new PublicSuffixes(ctx, path));
}

std::shared_ptr<const PublicSuffixes> PublicSuffixes::builtin()
{
    static const std::shared_ptr<const PublicSuffixes> snapshot = [] {
        QFile file(kSnapshotPath);
        if (!file.open(QIODevice::ReadOnly))
            return std::shared_ptr<const PublicSuffixes>();
        QByteArray bytes = file.readAll();
        FILE *stream = fmemopen(bytes.data(), static_cast<size_t>(bytes.size()), "r");
        if (!stream)
            return std::shared_ptr<const PublicSuffixes>();
        psl_ctx_t *ctx = psl_load_fp(stream);
        std::fclose(stream);
        if (!ctx)
            return std::shared_ptr<const PublicSuffixes>();
        return std::shared_ptr<const PublicSuffixes>(new PublicSuffixes(ctx, kSnapshotPath));
    }();
    return snapshot;
}

std::shared_ptr<const PublicSuffixes> PublicSuffixes::shared()
{
    static const std::shared_ptr<const PublicSuffixes> list = [] {
        for (const char *path : kSystemPublicSuffixFiles) {
            if (auto found = fromFile(QString::fromLatin1(path)))
                return found;
        }
        return builtin();
    }();
    return list;
}

bool PublicSuffixes::isIcannSuffix(QStringView name) const
{
    if (name.isEmpty())
        return false;
    // Without NO_STAR_RULE every unknown TLD would count as a suffix.
    return psl_is_public_suffix2(m_ctx, name.toUtf8().constData(), PSL_TYPE_ICANN | PSL_TYPE_NO_STAR_RULE) !=
           0;
}

bool publicSuffixesSetting(const ExtraSettings &extra, QString *problem)
{
    if (!extra.contains(kPublicSuffixesKey))
        return true;
    const QString text = extra.text(kPublicSuffixesKey);
    if (const std::optional<bool> on = ExtraSettings::switchValue(text))
        return *on;
    if (problem)
        *problem = QStringLiteral("%1: %2 in %3 is not true or false; names are asked by the public suffix "
                                  "list")
                       .arg(text.trimmed(), kPublicSuffixesKey, extra.path());
    return true;
}

void setPublicSuffixesSetting(ExtraSettings &extra, bool on)
{
    extra.setValue(kPublicSuffixesKey, on);
}

std::shared_ptr<const PublicSuffixes> publicSuffixesFor(const ExtraSettings &extra, QString *problem)
{
    return publicSuffixesSetting(extra, problem) ? PublicSuffixes::shared() : nullptr;
}
