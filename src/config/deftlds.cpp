#include "deftlds.h"

#include "tldservertable.h"

namespace {

struct DefaultTld {
    const char *tld;
    const char *servers;
    const char *freeResponse;
};

// Hosts that answer for more than one TLD of the table.
#define QV_INTERNIC "whois.internic.net"
#define QV_VERISIGN "whois.verisign-grs.com"
#define QV_CRSNIC "whois.crsnic.net"
#define QV_INREGISTRY "whois.registry.in"
#define QV_NOMINET "whois.nic.uk"
#define QV_REGISTROBR "whois.registro.br"
#define QV_RIPE "whois.ripe.net"
#define QV_CHANNELISLES "whois.channelisles.net"
#define QV_HKIRC "whois.hkirc.hk"
#define QV_AFILIASGRS "whois2.afilias-grs.net"
#define QV_ADAMSNAMES "whois.adamsnames.tc"
#define QV_NZSRS "whois.srs.net.nz"
#define QV_THNIC "whois.thnic.co.th"

// The registry's WHOIS servers for each TLD, tried in this order. Second-level
// domains without a server of their own carry "none": their lookups fail.
constexpr DefaultTld kDefaultTlds[] = {
    {"com", QV_INTERNIC ", " QV_VERISIGN ", " QV_CRSNIC, "no match for \"$domain$\"."},
    {"net", QV_VERISIGN ", " QV_CRSNIC ", " QV_INTERNIC, "no match for \"$domain$\"."},
    {"org", "whois.pir.org", "not found"},
    {"info", "whois.afilias.info", ""},
    {"biz", "whois.biz", "not found: $domain$"},
    {"us", "whois.nic.us", "not found: $domain$"},
    {"name", "whois.nic.name", "no match."},
    {"eu", "whois.eu", "status:      free"},
    {"in", QV_INREGISTRY, "not found"},
    {"cc", "ccwhois.verisign-grs.com, whois.nic.cc", "no match for \"$domain$\"."},
    {"tv", "tvwhois.verisign-grs.com, whois.nic.tv", "no match for \"$domain$\"."},
    {"co.uk", QV_NOMINET, "no match for \"$domain$\"."},
    {"org.uk", QV_NOMINET, "no match for \"$domain$\"."},
    {"ac.uk", "whois.ja.net", "no such domain $domain$"},
    {"ae", "whois.aeda.net.ae", "%error:101: no entries found"},
    {"at", "whois.nic.at", "% nothing found"},
    {"am", "whois.amnic.net", "no match"},
    {"as", "whois.nic.as", "domain not found"},
    {"ag", "whois.nic.ag", "not found"},
    {"au", "whois.auda.org.au", ""},
    {"ac", "whois.nic.ac", "domain \"$domain$\" - available"},
    {"bz", "whois.belizenic.bz", ""},
    {"be", "whois.dns.be", "status:      free"},
    {"bg", "whois.register.bg", "does not exist in database"},
    {"br", QV_REGISTROBR, "% no match for domain \"$domain$\""},
    {"com.br", QV_REGISTROBR, "% no match for domain \"$domain$\""},
    {"ca", "whois.cira.ca", "status:         avail"},
    {"ch", "whois.nic.ch", "we do not have an entry"},
    {"cn", "whois.cnnic.net.cn", "no matching record"},
    {"co.in", QV_INREGISTRY, "not found"},
    {"cx", "whois.nic.cx", "domain: $domain$\nstatus: not registered"},
    {"cz", "whois.nic.cz", "no data found"},
    {"de", "whois.denic.de, de.whois-servers.net, " QV_RIPE, "status:      free"},
    {"dk", "whois.dk-hostmaster.dk", "no entries found for the selected source."},
    {"ee", "whois.tld.ee", "not found: $domain$"},
    {"fi", "whois.fi", "domain not found"},
    {"fr", "whois.nic.fr, " QV_RIPE, "% no entries found"},
    {"fo", QV_RIPE, "% no entries found"},
    {"gs", "whois.nic.gs", "status: not registered"},
    {"gg", QV_CHANNELISLES, "domain not found in whois database"},
    {"hk", QV_HKIRC, "domain not found"},
    {"hm", "whois.registry.hm", "(null)"},
    {"hu", "whois.nic.hu", "/ no match"},
    {"ie", "whois.domainregistry.ie", "% not registered - "},
    {"co.il", "whois.isoc.org.il", "% no data was found to match the request criteria."},
    {"io", "whois.nic.io", "domain \"$domain$\" - available"},
    {"ir", "whois.nic.ir", "% no entries found"},
    {"is", "whois.isnic.is", "% no entries found"},
    {"it", "whois.nic.it", "no entries found"},
    {"je", QV_CHANNELISLES, "domain not found"},
    {"jp", "whois.jprs.jp", "no match!!"},
    {"ke", "whois.kenic.or.ke", "no match found."},
    {"kr", "whois.kr", "the query type is quickdom."},
    {"la", QV_AFILIASGRS, "not found"},
    {"li", "whois.nic.li", "we do not have an entry in our database matching your query."},
    {"lt", "whois.domreg.lt", "% nothing found"},
    {"lu", "whois.dns.lu", "% no such domain"},
    {"lv", "whois.nic.lv", "%err - nothing found"},
    {"ms", QV_ADAMSNAMES, "$domain$ is not registered."},
    {"mx", "whois.mx", "nombre del dominio: $domain$"},
    {"nl", "whois.domain-registry.nl", "$domain$ is free"},
    {"no", "whois.norid.no", "% no matches"},
    {"nu", "whois.nic.nu", "no match for domain \"$domain$\""},
    {"nz", QV_NZSRS, "query_status: 220 available"},
    {"net.nz", QV_NZSRS, "query_status: 220 available"},
    {"pl", "whois.dns.pl", "no information about domain $domain$ in"},
    {"pt", "whois.dns.pt", "$domain$ no match"},
    {"re", "whois.nic.re", "% no entries found"},
    {"ro", "whois.rotld.ro", "% no entries found"},
    {"ru", "whois.tcinet.ru", "no entries found for the selected"},
    {"sc", QV_AFILIASGRS, "not found"},
    {"net.sg", "whois.sgnic.sg", "nomatch"},
    {"se", "whois.iis.se", "# no data found."},
    {"sh", "whois.nic.sh", "domain \"$domain$\" - available"},
    {"si", "whois.register.si", "% no entries found"},
    {"st", "whois.nic.st", "no entries found"},
    {"sk", "whois.sk-nic.sk", "not found."},
    {"tc", QV_ADAMSNAMES, "$domain$ is not registered."},
    {"tf", "whois.nic.tf", "% no entries found"},
    {"ac.th", QV_THNIC, "% no entries found"},
    {"co.th", QV_THNIC, "% no entries found"},
    {"in.th", QV_THNIC, "% no entries found"},
    {"tk", "whois.dot.tk", "domain name not known in"},
    {"tm", "whois.nic.tm", "domain \"$domain$\" - available"},
    {"to", "whois.tonic.to", "no match for"},
    {"tr", "whois.nic.tr", "no match found for \"$domain$\""},
    {"tw", "whois.twnic.net.tw", "no found"},
    {"ua", "whois.ua", "% no entries found"},
    {"co.ug", "whois.co.ug", "% no entries found"},
    {"va", QV_RIPE, "% no entries found"},
    {"vg", QV_ADAMSNAMES, "$domain$ is not registered."},
    {"ws", "whois.website.ws, whois.nic.ws", "no match for \"$domain$\"."},
    {"aero", "whois.aero", "not found"},
    {"cat", "whois.cat", "% object \"$domain$\" not found."},
    {"museum", "whois.museum", "domain $domain$ has not been delegated."},
    {"coop", "whois.nic.coop", "no domain records were found to match"},
    {"int", "whois.iana.org", "domain $domain$ not found."},
    {"edu", "whois.educause.edu, " QV_INTERNIC, "no match"},
    {"org.au", "none", ""},
    {"com.au", "none", ""},
    {"com.hk", "none", ""},
    {"org.hk", "none", ""},
    {"edu.hk", "none", ""},
    {"edu.au", "none", ""},
    {"net.au", "none", ""},
    {"asn.au", "none", ""},
    {"gov.au", "none", ""},
    {"co.za", "none", ""},
    {"csiro.au", "none", ""},
    {"com.tr", "none", ""},
    {"gov.hk", QV_HKIRC, "domain not found"},
};

static_assert(std::size(kDefaultTlds) == 111);

} // namespace

void deftlds(TldServerTable &table)
{
    for (const DefaultTld &d : kDefaultTlds)
        table.AddTldEntry(QString::fromLatin1(d.tld), QString::fromLatin1(d.servers),
                          QString::fromLatin1(d.freeResponse));
}

const QStringList &defaultFreeResponses()
{
    static const QStringList list{
        QStringLiteral("no match"),
        QStringLiteral("no entries found"),
        QStringLiteral("not found"),
        QStringLiteral("no found"),
        QStringLiteral("nomatch"),
        QStringLiteral("query_status: 220 available"),
        QStringLiteral("no data found"),
        QStringLiteral("(null)"),
        QStringLiteral("$domain$ is not registered."),
        QStringLiteral("status: not registered"),
        QStringLiteral("name is not registered"),
        QStringLiteral("% not registered"),
        QStringLiteral("status:      free"),
        QStringLiteral("% nothing found"),
        QStringLiteral("%err - nothing found"),
        QStringLiteral("domain name not known"),
        QStringLiteral("no domain records were found"),
        QStringLiteral("$domain$ is free"),
        QStringLiteral("no information about domain $domain$"),
        QStringLiteral("domain \"$domain$\" - available"),
        QStringLiteral("% no data was found to match the request criteria."),
        QStringLiteral("we do not have an entry"),
        QStringLiteral("% no such domain"),
        QStringLiteral("no such domain $domain$"),
        QStringLiteral("nombre del dominio: $domain$"),
        QStringLiteral("$domain$ does not exist in database"),
        QStringLiteral("has not been delegated."),
        QStringLiteral("status:         avail"),
    };
    return list;
}

const QStringList &defaultErrorResponses()
{
    static const QStringList list{
        QStringLiteral("whois limit exceeded"),
        QStringLiteral("to single out one record"),
        QStringLiteral("the whois database is currently down"),
        QStringLiteral("blacklisted: you have exceeded"),
        QStringLiteral("has been exceeded"),
        QStringLiteral("too many users"),
        QStringLiteral("error for \"$domain$\""),
        QStringLiteral("too many requests"),
        QStringLiteral("error for \"=$domain$\""),
    };
    return list;
}

// The restore commands of the configuration live with the defaults they bring
// back, so the table itself needs nothing of this file.
void WhoisConfig::restorefreeresponses()
{
    freeResponses = defaultFreeResponses();
}

void WhoisConfig::restorefailedresponses()
{
    errorResponses = defaultErrorResponses();
}
