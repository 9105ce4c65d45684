#include "core/tvdevice.h"

#include "log/coretext.h"

#include <QJsonValue>
#include <QUuid>

namespace {

struct OptionalField {
    QLatin1String key;
    std::optional<QString> TVDevice::*member;
};

const OptionalField kOptionalFields[] = {
    {QLatin1String("tvUUID"), &TVDevice::tvUUID},
    {QLatin1String("mac"), &TVDevice::mac},
    {QLatin1String("clientKey"), &TVDevice::clientKey},
    {QLatin1String("certFingerprint"), &TVDevice::certFingerprint},
};

} // namespace

QString TVDevice::displayName() const
{
    return name.isEmpty() ? veltrix::coreText(QT_TRANSLATE_NOOP("CoreText", "LG 电视")) : name;
}

QJsonObject TVDevice::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("model"), model},
        {QStringLiteral("host"), host},
    };
    for (const OptionalField &field : kOptionalFields) {
        if (const std::optional<QString> &value = this->*field.member)
            object.insert(field.key, *value);
    }
    return object;
}

std::optional<TVDevice> TVDevice::fromJson(const QJsonObject &object)
{
    TVDevice device;
    const std::pair<QLatin1String, QString TVDevice::*> required[] = {
        {QLatin1String("id"), &TVDevice::id},
        {QLatin1String("name"), &TVDevice::name},
        {QLatin1String("model"), &TVDevice::model},
        {QLatin1String("host"), &TVDevice::host},
    };
    for (const auto &[key, member] : required) {
        const QJsonValue value = object.value(key);
        if (!value.isString())
            return std::nullopt;
        device.*member = value.toString();
    }
    for (const OptionalField &field : kOptionalFields) {
        const auto it = object.constFind(field.key);
        if (it == object.constEnd())
            continue;
        if (!it->isString())
            return std::nullopt;
        device.*field.member = it->toString();
    }
    return device;
}

QString TVDevice::newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}
