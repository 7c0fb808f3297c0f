#include "protocol/DiscoveryColumns.h"

#include <QStringList>

namespace qvx {

namespace {

using Record = DiscoveryRecord;
using Editor = DeviceEditorTexts;

// ---- Shown texts --------------------------------------------------------------------------

QString macOf(const Record &r) { return macText(r.mac); }

template <Octets4 Record::*Field>
QString addressOf(const Record &r)
{
    return dottedText(r.*Field);
}

template <quint16 Record::*Field>
QString wordOf(const Record &r)
{
    return QString::number(r.*Field);
}

QString baudOf(const Record &r) { return baudText(r.baudCode); }
QString dataBitsOf(const Record &r) { return dataBitsText(r.format); }
QString parityOf(const Record &r) { return parityText(r.format); }
QString stopBitsOf(const Record &r) { return stopBitsText(r.format); }
QString timeoutToDefaultOf(const Record &r) { return enableText(r.timeoutToDefault); }
QString bridgeStatusOf(const Record &r) { return enableText(r.bridgeStatus); }

template <std::size_t K>
QString sourceOf(const Record &r)
{
    return dottedText(r.sources[K]);
}

template <std::size_t K>
QString bridgePortOf(const Record &r)
{
    return QString::number(r.bridgeRemotePorts[K]);
}

template <std::size_t K>
QString bridgeIpOf(const Record &r)
{
    return dottedText(r.bridgeIps[K]);
}

// ---- Into the editor ----------------------------------------------------------------------

void macToEditor(Editor &e, const QString &text)
{
    for (std::size_t i = 0; i < e.mac.size(); ++i)
        e.mac[i] = text.mid(3 * qsizetype(i), 2);
}

template <std::array<QString, 4> Editor::*Boxes>
void addressToEditor(Editor &e, const QString &text)
{
    e.*Boxes = dottedParts(text);
}

template <QString Editor::*Box>
void textToEditor(Editor &e, const QString &text)
{
    e.*Box = text;
}

template <const QStringList &(*Items)(), int Editor::*List>
void itemToEditor(Editor &e, const QString &text)
{
    e.*List = int(Items().indexOf(text));
}

// The grid shows "Disable" / "Enable"; the editor's list shows them in capitals.
const QStringList &enableItems()
{
    static const QStringList items{QStringLiteral("Disable"), QStringLiteral("Enable")};
    return items;
}

void bridgeStatusToEditor(Editor &e, const QString &text) { e.bridgeEnabled = text == QLatin1String("Enable"); }

template <std::size_t K>
void sourceToEditor(Editor &e, const QString &text)
{
    e.sources[K] = dottedParts(text);
}

template <std::size_t K>
void bridgePortToEditor(Editor &e, const QString &text)
{
    e.bridgeRemotePorts[K] = text;
}

template <std::size_t K>
void bridgeIpToEditor(Editor &e, const QString &text)
{
    e.bridgeIps[K] = dottedParts(text);
}

constexpr const char *kAddressText = "255.255.255.255";
constexpr const char *kWordText = "65535";
constexpr int kWide = 1600;   // twips
constexpr int kNarrow = 900;

} // namespace

const std::array<DiscoveryColumn, kDeviceGridColumns> kDiscoveryColumns{{
    {"mac", "MAC Address", 0, 6, "DD-DD-DD-DD-DD-DD", kWide, FieldKind::Mac, macOf, macToEditor},
    {"ip", "IP Address", 6, 4, kAddressText, kWide, FieldKind::Address, addressOf<&Record::ip>,
     addressToEditor<&Editor::ip>},
    {"mask", "Subnet Mask", 10, 4, kAddressText, kWide, FieldKind::Address, addressOf<&Record::mask>,
     addressToEditor<&Editor::mask>},
    {"gateway", "Gateway Address", 14, 4, kAddressText, kWide, FieldKind::Address, addressOf<&Record::gateway>,
     addressToEditor<&Editor::gateway>},
    {"local_port", "Local Port", 18, 2, kWordText, kNarrow, FieldKind::Number, wordOf<&Record::localPort>,
     textToEditor<&Editor::localPort>},
    {"remote_port", "Remote Port", 20, 2, kWordText, kNarrow, FieldKind::Number, wordOf<&Record::remotePort>,
     textToEditor<&Editor::remotePort>},
    {"baud", "Baudrate", 22, 1, "UNKNOWN", kNarrow, FieldKind::Baud, baudOf,
     itemToEditor<baudItems, &Editor::baudIndex>},
    // The UART receive timeout, microseconds.
    {"rx_timeout", "Timeout", 23, 2, kWordText, kNarrow, FieldKind::Number, wordOf<&Record::uartTimeout>,
     textToEditor<&Editor::timeout>},
    // Byte 25 is the firmware's place, not read.
    {"data_bits", "Data bits", 26, 1, "8", kNarrow, FieldKind::DataBits, dataBitsOf,
     itemToEditor<dataBitsItems, &Editor::dataBitsIndex>},
    {"parity", "Parity bit", 26, 1, "EVEN", kNarrow, FieldKind::Parity, parityOf,
     itemToEditor<parityItems, &Editor::parityIndex>},
    {"stop_bits", "Stop bit", 26, 1, "2", kNarrow, FieldKind::StopBits, stopBitsOf,
     itemToEditor<stopBitsItems, &Editor::stopBitsIndex>},
    // The timeout back to the default serial parameters.
    {"default_timeout", "Timeout", 27, 1, "Disable", kNarrow, FieldKind::EnableDisable, timeoutToDefaultOf,
     itemToEditor<enableItems, &Editor::timeoutToDefaultIndex>},
    {"source_1", "IP source 1", 28, 4, kAddressText, kWide, FieldKind::Address, sourceOf<0>, sourceToEditor<0>},
    {"source_2", "IP source 2", 32, 4, kAddressText, kWide, FieldKind::Address, sourceOf<1>, sourceToEditor<1>},
    {"source_3", "IP source 3", 36, 4, kAddressText, kWide, FieldKind::Address, sourceOf<2>, sourceToEditor<2>},
    {"source_4", "IP source 4", 40, 4, kAddressText, kWide, FieldKind::Address, sourceOf<3>, sourceToEditor<3>},
    {"bridge", "Status bridge", 44, 1, "Disable", kWide, FieldKind::EnableDisable, bridgeStatusOf,
     bridgeStatusToEditor},
    {"bridge_local_port", "Local p bridge", 45, 2, kWordText, kWide, FieldKind::Number,
     wordOf<&Record::bridgeLocalPort>, textToEditor<&Editor::bridgeLocalPort>},
    {"bridge_port_1", "Remote p bridge 1", 47, 2, kWordText, kWide, FieldKind::Number, bridgePortOf<0>,
     bridgePortToEditor<0>},
    {"bridge_port_2", "Remote p bridge 2", 49, 2, kWordText, kWide, FieldKind::Number, bridgePortOf<1>,
     bridgePortToEditor<1>},
    {"bridge_port_3", "Remote p bridge 3", 51, 2, kWordText, kWide, FieldKind::Number, bridgePortOf<2>,
     bridgePortToEditor<2>},
    {"bridge_port_4", "Remote p bridge 4", 53, 2, kWordText, kWide, FieldKind::Number, bridgePortOf<3>,
     bridgePortToEditor<3>},
    {"bridge_port_5", "Remote p bridge 5", 55, 2, kWordText, kWide, FieldKind::Number, bridgePortOf<4>,
     bridgePortToEditor<4>},
    {"bridge_ip_1", "IP bridge 1", 57, 4, kAddressText, kWide, FieldKind::Address, bridgeIpOf<0>, bridgeIpToEditor<0>},
    {"bridge_ip_2", "IP bridge 2", 61, 4, kAddressText, kWide, FieldKind::Address, bridgeIpOf<1>, bridgeIpToEditor<1>},
    {"bridge_ip_3", "IP bridge 3", 65, 4, kAddressText, kWide, FieldKind::Address, bridgeIpOf<2>, bridgeIpToEditor<2>},
    {"bridge_ip_4", "IP bridge 4", 69, 4, kAddressText, kWide, FieldKind::Address, bridgeIpOf<3>, bridgeIpToEditor<3>},
    {"bridge_ip_5", "IP bridge 5", 73, 4, kAddressText, kWide, FieldKind::Address, bridgeIpOf<4>, bridgeIpToEditor<4>},
}};

const DiscoveryColumn *discoveryColumn(const QString &key)
{
    for (const DiscoveryColumn &column : kDiscoveryColumns)
        if (key == QLatin1String(column.key))
            return &column;
    return nullptr;
}

DeviceEditorTexts editorTextsFromRecord(const DiscoveryRecord &record, int recordLength)
{
    DeviceEditorTexts editor;
    // One of the two bridge options is always selected.
    editor.bridgeEnabled = false;
    for (const DiscoveryColumn &column : kDiscoveryColumns)
        if (column.carriedBy(recordLength))
            column.toEditor(editor, column.text(record));
    return editor;
}

std::array<QString, 4> dottedParts(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    std::array<QString, 4> out;
    for (qsizetype i = 0; i < 4 && i < parts.size(); ++i)
        out[std::size_t(i)] = parts[i];
    return out;
}

} // namespace qvx
