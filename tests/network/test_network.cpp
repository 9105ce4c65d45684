#include "network/localnetwork.h"
#include "log/log.h"
#include "network/ssdpdiscovery.h"
#include "tvsim/lib/ssdpresponder.h"
#include "tvsim/lib/wakelistener.h"
#include "support/testenv.h"

#include <QCoro/QCoroTask>

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QUrl>

using LocalNetwork::Interface;
using OptString = std::optional<QString>;

namespace {

quint32 ip(const char *text)
{
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

bool insideTestNamespace()
{
    return qgetenv("VELTRIX_NETNS") == "1";
}

} // namespace

class TestNetwork : public QObject {
    Q_OBJECT

private:
    TestEnv m_env;

    QStringList logMessages() { return m_env.logLines(); }

    void clearLog()
    {
        veltrix::flushLog();
        QFile::remove(m_env.logFile());
    }

private Q_SLOTS:

    void normalizeMAC_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<OptString>("expected");
        const OptString canonical = QStringLiteral("a8:23:fe:01:02:0c");
        QTest::newRow("canonical") << QStringLiteral("a8:23:fe:01:02:0c") << canonical;
        QTest::newRow("dashes upper") << QStringLiteral("A8-23-FE-01-02-0C") << canonical;
        QTest::newRow("one-digit groups") << QStringLiteral("a8:23:fe:1:2:c") << canonical;
        QTest::newRow("mixed separators") << QStringLiteral("a8-23:fe-01:02-0c") << canonical;
        QTest::newRow("doubled separators") << QStringLiteral("a8::23:fe:01:02::0c:") << canonical;
        QTest::newRow("three-digit group") << QStringLiteral("a8:23:fe:001:02:0c") << OptString();
        QTest::newRow("five groups") << QStringLiteral("a8:23:fe:01:02") << OptString();
        QTest::newRow("seven groups") << QStringLiteral("a8:23:fe:01:02:0c:0d") << OptString();
        QTest::newRow("not hex") << QStringLiteral("a8:23:fe:01:02:0g") << OptString();
        QTest::newRow("sign") << QStringLiteral("a8:23:fe:01:02:+c") << OptString();
        QTest::newRow("spaces") << QStringLiteral("a8:23:fe:01:02: c") << OptString();
        QTest::newRow("no separators") << QStringLiteral("a823fe01020c") << OptString();
        QTest::newRow("empty") << QString() << OptString();
        QTest::newRow("fullwidth digit") << QStringLiteral("a8:23:fe:01:02:\uFF11") << OptString();
    }

    void normalizeMAC()
    {
        QFETCH(QString, input);
        QFETCH(OptString, expected);
        QCOMPARE(LocalNetwork::normalizeMAC(input), expected);
    }

    void magicPacket()
    {
        const QByteArray packet = LocalNetwork::magicPacket(QStringLiteral("A8-23-FE-1-2-3"));
        QCOMPARE(packet.size(), 102);
        QCOMPARE(packet.left(6), QByteArray(6, char(0xff)));
        const QByteArray mac = QByteArray::fromHex("a823fe010203");
        for (int i = 0; i < 16; ++i)
            QCOMPARE(packet.mid(6 + 6 * i, 6), mac);
        QVERIFY(LocalNetwork::magicPacket(QStringLiteral("a8:23:fe:01:02")).isEmpty());
    }

    void procNetArp_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<OptString>("expected");
        QTest::newRow("complete") << QStringLiteral("192.168.1.20") << OptString(QStringLiteral("a8:23:fe:01:02:03"));
        QTest::newRow("upper case, second device") << QStringLiteral("10.0.0.7") << OptString(QStringLiteral("00:1a:2b:3c:4d:5e"));
        QTest::newRow("incomplete") << QStringLiteral("192.168.1.30") << OptString();
        QTest::newRow("incomplete then complete") << QStringLiteral("192.168.1.40") << OptString(QStringLiteral("11:22:33:44:55:66"));
        QTest::newRow("prefix of another address") << QStringLiteral("192.168.1.2") << OptString();
        QTest::newRow("absent") << QStringLiteral("192.168.9.9") << OptString();
        QTest::newRow("header text") << QStringLiteral("IP") << OptString();
    }

    void procNetArp()
    {
        QFETCH(QString, ip);
        QFETCH(OptString, expected);
        const QString table = QStringLiteral(
            "IP address       HW type     Flags       HW address            Mask     Device\n"
            "192.168.1.20     0x1         0x2         a8:23:fe:01:02:03     *        wlp2s0\n"
            "10.0.0.7         0x1         0x6         00:1A:2B:3C:4D:5E     *        enp3s0\n"
            "192.168.1.30     0x1         0x0         00:00:00:00:00:00     *        wlp2s0\n"
            "192.168.1.40     0x1         0x0         00:00:00:00:00:00     *        wlp2s0\n"
            "192.168.1.40     0x1         0x2         11:22:33:44:55:66     *        enp3s0\n");
        QCOMPARE(LocalNetwork::macFromProcNetArp(table, ip), expected);
    }

    void arpToolOutput_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<OptString>("expected");
        QTest::newRow("bsd one-digit") << QStringLiteral("? (192.168.1.20) at a8:23:fe:1:2:3 on en0 ifscope [ethernet]\n")
                                       << OptString(QStringLiteral("a8:23:fe:01:02:03"));
        QTest::newRow("incomplete") << QStringLiteral("? (192.168.1.20) at (incomplete) on en0 ifscope [ethernet]\n") << OptString();
        QTest::newRow("no entry") << QStringLiteral("192.168.1.20 (192.168.1.20) -- no entry\n") << OptString();
        QTest::newRow("too many groups") << QStringLiteral("? (1.2.3.4) at a8:23:fe:1:2:3:4 on en0\n") << OptString();
    }

    void arpToolOutput()
    {
        QFETCH(QString, output);
        QFETCH(OptString, expected);
        QCOMPARE(LocalNetwork::macFromArpOutput(output), expected);
    }

    void preferredInterface_data()
    {
        QTest::addColumn<QList<Interface>>("list");
        QTest::addColumn<OptString>("target");
        QTest::addColumn<OptString>("expectedName");
        QTest::addColumn<QString>("wakeTo");

        const Interface docker{QStringLiteral("docker0"), ip("172.17.0.1"), ip("255.255.0.0")};
        const Interface wifi{QStringLiteral("wlp2s0"), ip("192.168.1.37"), ip("255.255.255.0")};
        const Interface wired{QStringLiteral("enp3s0"), ip("10.0.5.9"), ip("255.255.254.0")};
        const Interface tun{QStringLiteral("tun0"), ip("10.8.0.2"), ip("255.255.255.255")};
        const OptString tv = QStringLiteral("192.168.1.50");

        QTest::newRow("only wifi on tv subnet") << QList<Interface>{wifi} << tv << OptString(wifi.name) << QStringLiteral("192.168.1.255");
        QTest::newRow("subnet beats en") << QList<Interface>{docker, wired, wifi} << tv << OptString(wifi.name) << QStringLiteral("192.168.1.255");
        QTest::newRow("no subnet: first en family") << QList<Interface>{docker, wired, wifi} << OptString(QStringLiteral("172.30.0.1"))
                                                   << OptString(wired.name) << QStringLiteral("10.0.5.255");
        QTest::newRow("no host") << QList<Interface>{docker, wifi} << OptString() << OptString(wifi.name) << QStringLiteral("192.168.1.255");
        QTest::newRow("host not ipv4") << QList<Interface>{docker, wifi, wired} << OptString(QStringLiteral("lgtv.local"))
                                       << OptString(wifi.name) << QStringLiteral("192.168.1.255");
        QTest::newRow("shorthand host is not ipv4") << QList<Interface>{docker, wired} << OptString(QStringLiteral("172.17"))
                                                    << OptString(wired.name) << QStringLiteral("10.0.5.255");
        QTest::newRow("no en family: first") << QList<Interface>{docker, tun} << OptString() << OptString(docker.name) << QStringLiteral("172.17.255.255");
        QTest::newRow("host-only mask") << QList<Interface>{tun} << OptString(QStringLiteral("10.8.0.2")) << OptString(tun.name) << QStringLiteral("10.8.0.2");
        QTest::newRow("nothing usable") << QList<Interface>{} << tv << OptString() << QStringLiteral("255.255.255.255");
    }

    void preferredInterface()
    {
        QFETCH(QList<Interface>, list);
        QFETCH(OptString, target);
        QFETCH(OptString, expectedName);
        QFETCH(QString, wakeTo);
        const auto chosen = LocalNetwork::preferredInterface(list, target);
        QCOMPARE(chosen ? OptString(chosen->name) : OptString(), expectedName);
        QCOMPARE(LocalNetwork::formatIPv4(LocalNetwork::wakeDestination(list, target)), wakeTo);
    }

    void interfacesExcludeLoopback()
    {
        const QList<Interface> list = LocalNetwork::interfaces();
        for (const Interface &iface : list) {
            QVERIFY(iface.name != QLatin1String("lo"));
            QVERIFY((iface.address >> 24) != 127);
        }
        if (insideTestNamespace())
            QVERIFY(list.isEmpty());
    }

    void parseHeaders_data()
    {
        QTest::addColumn<QString>("datagram");
        QTest::addColumn<OptString>("location");
        QTest::addColumn<OptString>("uuid");
        QTest::newRow("typical") << QStringLiteral("HTTP/1.1 200 OK\r\nLOCATION: http://192.168.1.5:1527/\r\n"
                                                   "USN: uuid:abc-123::urn:lge-com:service:webos-second-screen:1\r\n\r\n")
                                 << OptString(QStringLiteral("http://192.168.1.5:1527/")) << OptString(QStringLiteral("abc-123"));
        QTest::newRow("any capitalisation, trimmed") << QStringLiteral("HTTP/1.1 200 OK\r\nLoCaTiOn: \t http://h/d.xml \t\r\nusn:uuid:x\r\n")
                                                     << OptString(QStringLiteral("http://h/d.xml")) << OptString(QStringLiteral("x"));
        QTest::newRow("later header wins") << QStringLiteral("USN: uuid:first\r\nUSN: uuid:second::x\r\n")
                                           << OptString() << OptString(QStringLiteral("second"));
        QTest::newRow("name is not trimmed") << QStringLiteral("LOCATION : http://h/\r\nUSN\t: uuid:x\r\n") << OptString() << OptString();
        QTest::newRow("no location") << QStringLiteral("HTTP/1.1 200 OK\r\nUSN: uuid:only\r\n") << OptString() << OptString(QStringLiteral("only"));
        QTest::newRow("bare LF lines are one line") << QStringLiteral("USN: uuid:a\nLOCATION: http://h/\r\n")
                                                    << OptString() << OptString(QStringLiteral("a\nLOCATION: http://h/"));
        QTest::newRow("empty value") << QStringLiteral("LOCATION:\r\nUSN:\r\n") << OptString(QString()) << OptString(QString());
        QTest::newRow("usn without prefix") << QStringLiteral("USN: 1234::x\r\n") << OptString() << OptString(QStringLiteral("1234"));
        QTest::newRow("every uuid: removed") << QStringLiteral("USN: uuid:uuid:12uuid:34::uuid:5\r\n") << OptString()
                                             << OptString(QStringLiteral("1234"));
        QTest::newRow("usn only separator") << QStringLiteral("USN: ::x\r\n") << OptString() << OptString(QString());
    }

    void parseHeaders()
    {
        QFETCH(QString, datagram);
        QFETCH(OptString, location);
        QFETCH(OptString, uuid);
        const QMap<QString, QString> headers = SSDPDiscovery::parseHeaders(datagram);
        QCOMPARE(headers.contains(QStringLiteral("location")) ? OptString(headers.value(QStringLiteral("location"))) : OptString(), location);
        const OptString gotUuid = headers.contains(QStringLiteral("usn"))
            ? SSDPDiscovery::uuidFromUsn(headers.value(QStringLiteral("usn"))) : OptString();
        QCOMPARE(gotUuid, uuid);
    }

    void elementText_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<OptString>("expected");
        QTest::newRow("exact inner text") << QStringLiteral("<root><friendlyName> Living &amp; room </friendlyName></root>")
                                          << OptString(QStringLiteral(" Living &amp; room "));
        QTest::newRow("attribute hides it") << QStringLiteral("<friendlyName lang=\"en\">TV</friendlyName>") << OptString();
        QTest::newRow("missing close tag") << QStringLiteral("<friendlyName>TV") << OptString();
        QTest::newRow("close before open only") << QStringLiteral("</friendlyName><friendlyName>TV") << OptString();
        QTest::newRow("case sensitive") << QStringLiteral("<friendlyname>TV</friendlyname>") << OptString();
        QTest::newRow("empty") << QStringLiteral("<friendlyName></friendlyName>") << OptString(QString());
        QTest::newRow("first occurrence") << QStringLiteral("<friendlyName>A</friendlyName><friendlyName>B</friendlyName>") << OptString(QStringLiteral("A"));
        QTest::newRow("chinese") << QStringLiteral("<friendlyName>客厅电视</friendlyName>") << OptString(QStringLiteral("客厅电视"));
    }

    void elementText()
    {
        QFETCH(QString, document);
        QFETCH(OptString, expected);
        QCOMPARE(SSDPDiscovery::elementText(document, QStringLiteral("friendlyName")), expected);
    }

    void applyDescription()
    {
        SSDPDiscovery::Found found{QStringLiteral("192.168.1.5"), QStringLiteral("from-usn"), QStringLiteral("old"),
                                   QStringLiteral("old-model"), QStringLiteral("http://192.168.1.5/")};
        SSDPDiscovery::applyDescription(found, QStringLiteral("<modelName>OLED55C1</modelName><UDN>uuid:from-udn</UDN>"));
        QCOMPARE(found.uuid, OptString(QStringLiteral("from-udn")));
        QCOMPARE(found.model, OptString(QStringLiteral("OLED55C1")));
        QCOMPARE(found.name, OptString(QStringLiteral("old")));  // absent element keeps the value
    }

    void discoverFindsSimulatedTVs()
    {
        if (!insideTestNamespace())
            QSKIP("multicast runs only inside the private test network namespace");
        clearLog();

        // .10 sorts before .2 and .3 as text.
        SsdpResponder living(QHostAddress(QStringLiteral("127.0.12.3")), {}, SsdpResponder::usnFor(QStringLiteral("usn-living")));
        living.setDescription(QStringLiteral("客厅电视"), QStringLiteral("OLED55C1PUB.AUS"), QStringLiteral("udn-living"));
        SsdpResponder bedroom(QHostAddress(QStringLiteral("127.0.12.2")), {}, SsdpResponder::usnFor(QStringLiteral("usn-bedroom")));
        bedroom.setDescription(QStringLiteral("Bedroom"), QStringLiteral("43UN7000"), QStringLiteral("udn-bedroom"));
        bedroom.setAnswerCount(2);
        SsdpResponder noLocation(QHostAddress(QStringLiteral("127.0.12.10")), {}, SsdpResponder::usnFor(QStringLiteral("bare")));
        noLocation.setIncludeLocation(false);
        SsdpResponder broken(QHostAddress(QStringLiteral("127.0.12.4")), {}, SsdpResponder::usnFor(QStringLiteral("usn-broken")));
        broken.setDescriptionStatus(404);
        SsdpResponder lowerCase(QHostAddress(QStringLiteral("127.0.12.5")), {}, QStringLiteral("uuid:lc"));
        lowerCase.setLocationHeaderName(QStringLiteral("location"));
        lowerCase.setDescriptionBody("<friendlyName id=\"x\">hidden</friendlyName><modelName>M5</modelName>");
        // Answers come from anything on the network: an endless description and a local file
        // location must not be read.
        SsdpResponder huge(QHostAddress(QStringLiteral("127.0.12.7")), {}, QStringLiteral("uuid:huge"));
        huge.setDescriptionBody(QByteArray(2 * 1024 * 1024, ' ') + "<friendlyName>big</friendlyName>");
        QFile localFile(m_env.path(QStringLiteral("description.xml")));
        QVERIFY(localFile.open(QIODevice::WriteOnly));
        localFile.write("<friendlyName>local</friendlyName>");
        localFile.close();
        const QString fileUrl = QUrl::fromLocalFile(localFile.fileName()).toString();
        SsdpResponder fileLocation(QHostAddress(QStringLiteral("127.0.12.8")), fileUrl, QStringLiteral("uuid:file"));
        for (SsdpResponder *r : {&living, &bedroom, &noLocation, &broken, &lowerCase, &huge, &fileLocation})
            QVERIFY2(r->start(), qPrintable(r->errorString()));

        // The main thread keeps running while the search listens.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(20);

        std::optional<QList<SSDPDiscovery::Found>> result;
        auto run = [](std::optional<QList<SSDPDiscovery::Found>> *out) -> QCoro::Task<> {
            *out = co_await SSDPDiscovery::discover(std::chrono::milliseconds(800));
        };
        QElapsedTimer elapsed;
        elapsed.start();
        run(&result);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QVERIFY(elapsed.elapsed() >= 800);

        using F = SSDPDiscovery::Found;
        const QList<F> expected{
            F{QStringLiteral("127.0.12.10"), QStringLiteral("bare"), {}, {}, {}},
            F{QStringLiteral("127.0.12.2"), QStringLiteral("udn-bedroom"), QStringLiteral("Bedroom"), QStringLiteral("43UN7000"), bedroom.descriptionUrl()},
            F{QStringLiteral("127.0.12.3"), QStringLiteral("udn-living"), QStringLiteral("客厅电视"), QStringLiteral("OLED55C1PUB.AUS"), living.descriptionUrl()},
            F{QStringLiteral("127.0.12.4"), QStringLiteral("usn-broken"), {}, {}, broken.descriptionUrl()},
            F{QStringLiteral("127.0.12.5"), QStringLiteral("lc"), {}, QStringLiteral("M5"), lowerCase.descriptionUrl()},
            F{QStringLiteral("127.0.12.7"), QStringLiteral("huge"), {}, {}, huge.descriptionUrl()},
            F{QStringLiteral("127.0.12.8"), QStringLiteral("file"), {}, {}, fileUrl},
        };
        for (qsizetype i = 0; i < qMin(expected.size(), result->size()); ++i) {
            const F &got = result->at(i);
            QCOMPARE(got.host, expected[i].host);
            QCOMPARE(got.uuid, expected[i].uuid);
            QCOMPARE(got.name, expected[i].name);
            QCOMPARE(got.model, expected[i].model);
            QCOMPARE(got.location, expected[i].location);
        }
        QCOMPARE(result->size(), expected.size());

        // The search goes out twice; each TV sees both.
        QCOMPARE(living.searchCount(), 2);
        QCOMPARE(bedroom.answerCount(), 4);
        QCOMPARE(noLocation.descriptionRequests(), 0);
        QCOMPARE(living.descriptionRequests(), 1);

        const QStringList log = logMessages();
        QCOMPARE(log, QStringList{QStringLiteral(
                          "SSDP 发现 7 台电视: [\"127.0.12.10\", \"127.0.12.2\", \"127.0.12.3\", \"127.0.12.4\", "
                          "\"127.0.12.5\", \"127.0.12.7\", \"127.0.12.8\"]")});
    }

    void discoverWithNobodyAnswering()
    {
        if (!insideTestNamespace())
            QSKIP("multicast runs only inside the private test network namespace");
        clearLog();
        SsdpResponder silent(QHostAddress(QStringLiteral("127.0.12.6")), {}, SsdpResponder::usnFor(QStringLiteral("s")));
        silent.setAnswerCount(0);
        QVERIFY(silent.start());
        std::optional<QList<SSDPDiscovery::Found>> result;
        auto run = [](std::optional<QList<SSDPDiscovery::Found>> *out) -> QCoro::Task<> {
            *out = co_await SSDPDiscovery::discover(std::chrono::milliseconds(400));
        };
        run(&result);
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
        QVERIFY(result->isEmpty());
        QCOMPARE(silent.searchCount(), 2);
        QCOMPARE(logMessages(), QStringList{QStringLiteral("SSDP 发现 0 台电视: []")});
    }

    // Any spelling the parser accepts goes out as the canonical address.
    void wake()
    {
        if (!insideTestNamespace())
            QSKIP("broadcasts run only inside the private test network namespace");
        const QString mac = QStringLiteral("A8-23-FE-1-2-3");
        clearLog();
        WakeListener tv(QStringLiteral("a8:23:fe:01:02:03"));
        WakeListener other(QStringLiteral("a8:23:fe:01:02:04"));
        QVERIFY2(tv.start(), qPrintable(tv.errorString()));
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        QSignalSpy woken(&tv, &WakeListener::magicPacket);

        QVERIFY(LocalNetwork::wake(mac, QStringLiteral("127.0.12.2")));
        QTRY_COMPARE(tv.packetCount(), 3);
        QTRY_COMPARE(other.ignoredCount(), 3);
        QCOMPARE(other.packetCount(), 0);
        QCOMPARE(woken.count(), 3);
        QCOMPARE(logMessages(), QStringList{QStringLiteral("WOL a8:23:fe:01:02:03 -> 255.255.255.255 sent=true")});
    }

    void wakeRejectsInvalidMAC()
    {
        if (!insideTestNamespace())
            QSKIP("broadcasts run only inside the private test network namespace");
        const QString mac = QStringLiteral("a8:23:fe:001:02:03");
        clearLog();
        QUdpSocket sniffer;
        QVERIFY(sniffer.bind(QHostAddress(QHostAddress::AnyIPv4), 9, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        QVERIFY(!LocalNetwork::wake(mac));
        QTest::qWait(100);
        QVERIFY(!sniffer.hasPendingDatagrams());
        QVERIFY(logMessages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestNetwork)
#include "test_network.moc"
