#pragma once

#include <QString>
#include <QStringView>

#include <memory>

class ExtraSettings;

// The Public Suffix List: the suffixes under which registries hand out names
// (com.af, org.ng, ac.za, *.ck except www.ck, ...). Only its ICANN section is
// used; the private section (blogspot.com and the like) names hosting services,
// not registries.
//
// The list in force is the one Debian's publicsuffix package installs, read
// through libpsl; without it, the snapshot compiled into the program
// (data/psl/). It is read once per process, on first use.
struct psl_ctx_st;

class PublicSuffixes
{
public:
    ~PublicSuffixes();
    PublicSuffixes(const PublicSuffixes &) = delete;
    PublicSuffixes &operator=(const PublicSuffixes &) = delete;

    // The system's list, else the shipped snapshot; read on the first call.
    static std::shared_ptr<const PublicSuffixes> shared();
    // The snapshot shipped inside the program.
    static std::shared_ptr<const PublicSuffixes> builtin();
    // A list file (text or libpsl's DAFSA form); null when it cannot be read.
    static std::shared_ptr<const PublicSuffixes> fromFile(const QString &path);

    // Whether `name` (lower case, ASCII form) is a suffix of the ICANN section:
    // listed, or matched by a wildcard and not excepted. A TLD no rule names
    // is not one.
    bool isIcannSuffix(QStringView name) const;
    // Where the list came from: a file path, or ":/psl/public_suffix_list.dat".
    const QString &origin() const { return m_origin; }

private:
    PublicSuffixes(psl_ctx_st *ctx, QString origin);

    psl_ctx_st *m_ctx;
    QString m_origin;
};

// The list of Debian's publicsuffix package, in the order it is tried.
inline constexpr const char *kSystemPublicSuffixFiles[] = {
    "/usr/share/publicsuffix/public_suffix_list.dafsa",
    "/usr/share/publicsuffix/public_suffix_list.dat",
};

// Whether checks, lookups and generators ask names by the list (quorvane.ini).
inline const QString kPublicSuffixesKey = QStringLiteral("check/public-suffixes");

// The switch's value; a value that is no switch is described in `problem`
// (when given) and the default, on, is used.
bool publicSuffixesSetting(const ExtraSettings &extra, QString *problem = nullptr);
void setPublicSuffixesSetting(ExtraSettings &extra, bool on);
// The list when the switch is on, null when it is off.
std::shared_ptr<const PublicSuffixes> publicSuffixesFor(const ExtraSettings &extra,
                                                        QString *problem = nullptr);

inline const QString kPublicSuffixesCaption =
    QStringLiteral("Ask names under registry suffixes (com.af, org.ng, ...) as themselves");
inline const QString kPublicSuffixesToolTip = QStringLiteral(
    "By the Public Suffix List, example.com.af is asked as example.com.af rather than as com.af. "
    "Off, a name is asked as its last label before the TLD with the TLD, as it always was.");
