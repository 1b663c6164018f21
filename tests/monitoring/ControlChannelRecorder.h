#pragma once

#include "MonCtrlChannel.h"

#include <QStringList>

// Records every signal of a monitoring control channel as one line, in the order
// they come: the signal's name and its arguments, records as the hexadecimal digits
// of their bytes, raw data longer than 16 bytes by its size.
class ControlChannelRecorder
{
public:
    explicit ControlChannelRecorder(monitoring::MonCtrlChannel *channel)
    {
        using C = monitoring::MonCtrlChannel;
        using namespace monitoring::protocol;
        QObject::connect(channel, &C::communicationError, [this](CommandType cmd, ErrorType err) {
            add({"communicationError", QString::number(cmd), QString::number(err)});
        });
        QObject::connect(channel, &C::infoReceived, [this](monitor_info_t info) {
            add({"infoReceived", QString::number(info.version), QString::number(info.word)});
        });
        QObject::connect(channel, &C::stringsReceived, [this](string_type_t table, const QList<QByteArray> &strings) {
            QStringList parts{"stringsReceived", QString::number(table)};
            for (const QByteArray &text : strings)
                parts << '\'' + QString::fromLatin1(text) + '\'';
            add(parts);
        });
        list<signal_t>(channel, &C::signalsReceived, "signalsReceived");
        list<param_t>(channel, &C::blockParamsReceived, "blockParamsReceived");
        list<param_t>(channel, &C::modelParamsReceived, "modelParamsReceived");
        list<state_t>(channel, &C::blockStatesReceived, "blockStatesReceived");
        list<signal_t>(channel, &C::inputsReceived, "inputsReceived");
        list<signal_t>(channel, &C::outputsReceived, "outputsReceived");
        list<signal_set_t>(channel, &C::activeSignalsReceived, "activeSignalsReceived");
        list<datatype_t>(channel, &C::dataTypesReceived, "dataTypesReceived");
        list<struct_element_t>(channel, &C::structElementsReceived, "structElementsReceived");
        list<fxp_info_t>(channel, &C::fixedPointInfoReceived, "fixedPointInfoReceived");
        list<reference_set_t>(channel, &C::updateParametersReceived, "updateParametersReceived");
        QObject::connect(channel, &C::rawDataReceived, [this](rawdata_type_t type, const QByteArray &data) {
            add({"rawDataReceived", QString::number(type), bytes(data)});
        });
        QObject::connect(
            channel, &C::referencesHandled,
            [this](SimulinkDataTypes::VariableDataType kind, const QList<reference_set_t> &entries) {
                add({"referencesHandled", QString::number(kind), QString::fromLatin1(writeList(entries).toHex())});
            });
    }

    QStringList lines;

private:
    static QString bytes(const QByteArray &data)
    {
        return data.size() > 16 ? QStringLiteral("<%1 bytes>").arg(data.size()) : QString::fromLatin1(data.toHex());
    }

    template<typename Record, typename Signal>
    void list(monitoring::MonCtrlChannel *channel, Signal signal, const char *name)
    {
        QObject::connect(channel, signal, [this, name](const QList<Record> &records) {
            add({QLatin1String(name), QString::number(records.size()),
                 QString::fromLatin1(monitoring::protocol::writeList(records).toHex())});
        });
    }

    void add(const QStringList &parts) { lines << parts.join(' '); }
};
