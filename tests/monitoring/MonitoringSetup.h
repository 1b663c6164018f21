#pragma once

#include "MonCtrlChannel.h"

#include <QList>
#include <QStringList>

#include <array>

// Walks a board through the monitoring set-up on a control channel, one request at a
// time in the host's order (information, string tables 0 to 14, signals, block and
// model parameters, states, inputs, outputs, both parameter memories, active signals,
// data types, struct elements, fixed-point scalings), and keeps what the board
// describes. A reply out of order or a rejected message ends it as failed.
class MonitoringSetup
{
public:
    explicit MonitoringSetup(monitoring::MonCtrlChannel *channel)
        : m_channel(channel)
    {
        using C = monitoring::MonCtrlChannel;
        using namespace monitoring::protocol;
        QObject::connect(channel, &C::communicationError, [this](CommandType cmd, ErrorType err) {
            fail(QStringLiteral("communication error %1 %2").arg(cmd).arg(err));
        });
        QObject::connect(channel, &C::infoReceived, [this](monitor_info_t i) { accept(0, [&] { info = i; }); });
        QObject::connect(channel, &C::stringsReceived, [this](string_type_t table, const QList<QByteArray> &s) {
            accept(1 + table, [&] { strings[table] = s; });
        });
        QObject::connect(channel, &C::signalsReceived,
                         [this](const QList<signal_t> &l) { accept(16, [&] { signalList = l; }); });
        QObject::connect(channel, &C::blockParamsReceived,
                         [this](const QList<param_t> &l) { accept(17, [&] { blockParameters = l; }); });
        QObject::connect(channel, &C::modelParamsReceived,
                         [this](const QList<param_t> &l) { accept(18, [&] { modelParameters = l; }); });
        QObject::connect(channel, &C::blockStatesReceived,
                         [this](const QList<state_t> &l) { accept(19, [&] { states = l; }); });
        QObject::connect(channel, &C::inputsReceived,
                         [this](const QList<signal_t> &l) { accept(20, [&] { inputs = l; }); });
        QObject::connect(channel, &C::outputsReceived,
                         [this](const QList<signal_t> &l) { accept(21, [&] { outputs = l; }); });
        QObject::connect(channel, &C::rawDataReceived, [this](rawdata_type_t type, const QByteArray &data) {
            if (m_step == 22 && type == BlockParameterMemory)
                accept(22, [&] { blockMemory = data; });
            else
                accept(23, [&] { modelMemory = data; });
        });
        QObject::connect(channel, &C::activeSignalsReceived,
                         [this](const QList<signal_set_t> &l) { accept(24, [&] { activeSignals = l; }); });
        QObject::connect(channel, &C::dataTypesReceived,
                         [this](const QList<datatype_t> &l) { accept(25, [&] { dataTypes = l; }); });
        QObject::connect(channel, &C::structElementsReceived,
                         [this](const QList<struct_element_t> &l) { accept(26, [&] { structElements = l; }); });
        QObject::connect(channel, &C::fixedPointInfoReceived,
                         [this](const QList<fxp_info_t> &l) { accept(27, [&] { scalings = l; }); });
    }

    void start()
    {
        m_step = 0;
        done = false;
        error.clear();
        request();
    }

    bool done = false;
    QString error; // why the set-up failed; empty while it goes well

    monitoring::protocol::monitor_info_t info;
    std::array<QList<QByteArray>, 15> strings;
    QList<monitoring::protocol::signal_t> signalList;
    QList<monitoring::protocol::param_t> blockParameters;
    QList<monitoring::protocol::param_t> modelParameters;
    QList<monitoring::protocol::state_t> states;
    QList<monitoring::protocol::signal_t> inputs;
    QList<monitoring::protocol::signal_t> outputs;
    QByteArray blockMemory;
    QByteArray modelMemory;
    QList<monitoring::protocol::signal_set_t> activeSignals;
    QList<monitoring::protocol::datatype_t> dataTypes;
    QList<monitoring::protocol::struct_element_t> structElements;
    QList<monitoring::protocol::fxp_info_t> scalings;

private:
    static constexpr int LastStep = 27;

    template<typename Store>
    void accept(int step, Store store)
    {
        if (!error.isEmpty())
            return;
        if (step != m_step) {
            fail(QStringLiteral("reply of step %1 while waiting for step %2").arg(step).arg(m_step));
            return;
        }
        store();
        if (m_step == LastStep) {
            done = true;
            return;
        }
        ++m_step;
        request();
    }

    void request()
    {
        using namespace monitoring::protocol;
        monitoring::MonCtrlChannel &c = *m_channel;
        if (m_step == 0)
            c.requestInfo();
        else if (m_step <= 15)
            c.requestStrings(string_type_t(m_step - 1));
        else if (m_step == 16)
            c.requestSignals();
        else if (m_step == 17)
            c.requestBlockParams();
        else if (m_step == 18)
            c.requestModelParams();
        else if (m_step == 19)
            c.requestBlockStates();
        else if (m_step == 20)
            c.requestInputs();
        else if (m_step == 21)
            c.requestOutputs();
        else if (m_step == 22)
            c.requestRawData(BlockParameterMemory);
        else if (m_step == 23)
            c.requestRawData(ModelParameterMemory);
        else if (m_step == 24)
            c.requestActiveSignals();
        else if (m_step == 25)
            c.requestDataTypes();
        else if (m_step == 26)
            c.requestStructElements();
        else
            c.requestFixedPointInfo();
    }

    void fail(const QString &why)
    {
        if (error.isEmpty())
            error = why;
    }

    monitoring::MonCtrlChannel *m_channel;
    int m_step = 0;
};
