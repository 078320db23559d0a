#include "spelling/spell_checker.h"

#include <enchant.h>

#include <algorithm>

namespace {

struct BrokerDeleter
{
    void operator()(EnchantBroker* broker) const { enchant_broker_free(broker); }
};
using Broker = std::unique_ptr<EnchantBroker, BrokerDeleter>;

void addTag(const char* tag, const char*, const char*, const char*, void* languages)
{
    static_cast<QStringList*>(languages)->append(QString::fromUtf8(tag));
}

// Where a language has variants, the one a user of that language is most
// likely to write in when their locale names another country.
QString mainVariant(QLocale::Language language)
{
    if (language == QLocale::English)
        return QStringLiteral("en_GB");
    const QString code = QLocale::languageToCode(language);
    return code + u'_' + code.toUpper();
}

} // namespace

QStringList SpellChecker::installedLanguages()
{
    const Broker broker(enchant_broker_init());
    QStringList languages;
    if (!broker)
        return languages;
    enchant_broker_list_dicts(broker.get(), addTag, &languages);
    languages.sort();
    languages.removeDuplicates();
    return languages;
}

QString SpellChecker::languageFor(const QLocale& locale, const QStringList& installed)
{
    if (installed.isEmpty())
        return {};
    const QString own = locale.name(); // "de_AT"
    if (installed.contains(own))
        return own;
    const auto ofLanguage = [&installed](QLocale::Language language) -> QString {
        const QString code = QLocale::languageToCode(language);
        if (installed.contains(mainVariant(language)))
            return mainVariant(language);
        if (installed.contains(code))
            return code;
        const auto first = std::find_if(installed.begin(), installed.end(), [&code](const QString& tag) {
            return tag.startsWith(code + u'_');
        });
        return first == installed.end() ? QString() : *first;
    };
    if (const QString same = ofLanguage(locale.language()); !same.isEmpty())
        return same;
    if (const QString english = ofLanguage(QLocale::English); !english.isEmpty())
        return english;
    return installed.first();
}

std::unique_ptr<SpellChecker> SpellChecker::open(const QString& language)
{
    Broker broker(enchant_broker_init());
    if (!broker || language.isEmpty())
        return nullptr;
    EnchantDict* dict = enchant_broker_request_dict(broker.get(), language.toUtf8().constData());
    if (!dict)
        return nullptr;
    return std::unique_ptr<SpellChecker>(new SpellChecker(broker.release(), dict, language));
}

SpellChecker::SpellChecker(EnchantBroker* broker, EnchantDict* dict, const QString& language)
    : m_broker(broker), m_dict(dict), m_language(language)
{
}

SpellChecker::~SpellChecker()
{
    enchant_broker_free_dict(m_broker, m_dict);
    enchant_broker_free(m_broker);
}

bool SpellChecker::isKnown(QStringView word)
{
    const QString key = word.toString();
    if (const auto found = m_known.constFind(key); found != m_known.constEnd())
        return *found;
    const QByteArray utf8 = key.toUtf8();
    // A word the dictionary cannot judge (an error) is not called wrong.
    const bool known = m_ignored.contains(key) || enchant_dict_check(m_dict, utf8.constData(), utf8.size()) <= 0;
    m_known.insert(key, known);
    return known;
}

bool SpellChecker::isRemembered(QStringView word) const
{
    return m_known.contains(word.toString());
}

QStringList SpellChecker::suggestions(QStringView word, int most) const
{
    const QByteArray utf8 = word.toUtf8();
    size_t count = 0;
    char** found = enchant_dict_suggest(m_dict, utf8.constData(), utf8.size(), &count);
    QStringList words;
    for (size_t i = 0; i < count && words.size() < most; ++i)
        words.append(QString::fromUtf8(found[i]));
    if (found)
        enchant_dict_free_string_list(m_dict, found);
    return words;
}

QString SpellChecker::addToDictionary(QStringView word)
{
    const QByteArray utf8 = word.toUtf8();
    enchant_dict_add(m_dict, utf8.constData(), utf8.size());
    m_known.insert(word.toString(), true);
    const char* complaint = enchant_dict_get_error(m_dict);
    return complaint ? QString::fromUtf8(complaint) : QString();
}

void SpellChecker::ignore(QStringView word)
{
    m_ignored.insert(word.toString());
    m_known.insert(word.toString(), true);
}
