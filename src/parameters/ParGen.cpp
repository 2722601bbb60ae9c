#include "ParGen.h"

#include "platform/XmlFile.h"
#include "shell/AppState.h"

#include <QFileInfo>
#include <algorithm>

namespace {

using P = ParGen_Params;

constexpr ParGen_Key Text(const char *key, QString P::*field, const char *def) {
    return {key, field, nullptr, def};
}
constexpr ParGen_Key Switch(const char *key, bool P::*field) {
    return {key, nullptr, field, ""};
}

const std::array<ParGen_Key, 30> Keys = {
    Text("Modbus_TCP_Slave_IP1", &P::Modbus_TCP_Slave_IP1, "192"),
    Text("Modbus_TCP_Slave_IP2", &P::Modbus_TCP_Slave_IP2, "168"),
    Text("Modbus_TCP_Slave_IP3", &P::Modbus_TCP_Slave_IP3, "0"),
    Text("Modbus_TCP_Slave_IP4", &P::Modbus_TCP_Slave_IP4, "5"),
    Text("Modbus_TCP_Slave_SM1", &P::Modbus_TCP_Slave_SM1, "255"),
    Text("Modbus_TCP_Slave_SM2", &P::Modbus_TCP_Slave_SM2, "255"),
    Text("Modbus_TCP_Slave_SM3", &P::Modbus_TCP_Slave_SM3, "255"),
    Text("Modbus_TCP_Slave_SM4", &P::Modbus_TCP_Slave_SM4, "0"),
    Text("Modbus_TCP_Slave_GAT1", &P::Modbus_TCP_Slave_GAT1, "192"),
    Text("Modbus_TCP_Slave_GAT2", &P::Modbus_TCP_Slave_GAT2, "168"),
    Text("Modbus_TCP_Slave_GAT3", &P::Modbus_TCP_Slave_GAT3, "0"),
    Text("Modbus_TCP_Slave_GAT4", &P::Modbus_TCP_Slave_GAT4, "1"),
    Switch("Modbus_TCP_Slave_EN_GAT", &P::Modbus_TCP_Slave_EN_GAT),
    Text("Modbus_TCP_Slave_Port", &P::Modbus_TCP_Slave_Port, "502"),
    Text("Modbus_TCP_Slave_2_IP1", &P::Modbus_TCP_Slave_2_IP1, "192"),
    Text("Modbus_TCP_Slave_2_IP2", &P::Modbus_TCP_Slave_2_IP2, "168"),
    Text("Modbus_TCP_Slave_2_IP3", &P::Modbus_TCP_Slave_2_IP3, "0"),
    Text("Modbus_TCP_Slave_2_IP4", &P::Modbus_TCP_Slave_2_IP4, "6"),
    Text("Modbus_TCP_Slave_2_SM1", &P::Modbus_TCP_Slave_2_SM1, "255"),
    Text("Modbus_TCP_Slave_2_SM2", &P::Modbus_TCP_Slave_2_SM2, "255"),
    Text("Modbus_TCP_Slave_2_SM3", &P::Modbus_TCP_Slave_2_SM3, "255"),
    Text("Modbus_TCP_Slave_2_SM4", &P::Modbus_TCP_Slave_2_SM4, "0"),
    Text("Modbus_TCP_Slave_2_GAT1", &P::Modbus_TCP_Slave_2_GAT1, "192"),
    Text("Modbus_TCP_Slave_2_GAT2", &P::Modbus_TCP_Slave_2_GAT2, "168"),
    Text("Modbus_TCP_Slave_2_GAT3", &P::Modbus_TCP_Slave_2_GAT3, "0"),
    Text("Modbus_TCP_Slave_2_GAT4", &P::Modbus_TCP_Slave_2_GAT4, "1"),
    Switch("Modbus_TCP_Slave_2_EN_GAT", &P::Modbus_TCP_Slave_2_EN_GAT),
    Text("Modbus_TCP_Slave_2_Port", &P::Modbus_TCP_Slave_2_Port, "502"),
    Text("OPTIONS_OFFSET_REGISTERS", &P::OPTIONS_OFFSET_REGISTERS, "0"),
    Text("OPTIONS_OFFSET_STATUS", &P::OPTIONS_OFFSET_STATUS, "0"),
};

const std::array<ParGen_Endpoint, 2> Endpoints = {{
    {{&P::Modbus_TCP_Slave_IP1, &P::Modbus_TCP_Slave_IP2, &P::Modbus_TCP_Slave_IP3,
      &P::Modbus_TCP_Slave_IP4},
     {&P::Modbus_TCP_Slave_SM1, &P::Modbus_TCP_Slave_SM2, &P::Modbus_TCP_Slave_SM3,
      &P::Modbus_TCP_Slave_SM4},
     {&P::Modbus_TCP_Slave_GAT1, &P::Modbus_TCP_Slave_GAT2, &P::Modbus_TCP_Slave_GAT3,
      &P::Modbus_TCP_Slave_GAT4},
     &P::Modbus_TCP_Slave_EN_GAT,
     &P::Modbus_TCP_Slave_Port},
    {{&P::Modbus_TCP_Slave_2_IP1, &P::Modbus_TCP_Slave_2_IP2, &P::Modbus_TCP_Slave_2_IP3,
      &P::Modbus_TCP_Slave_2_IP4},
     {&P::Modbus_TCP_Slave_2_SM1, &P::Modbus_TCP_Slave_2_SM2, &P::Modbus_TCP_Slave_2_SM3,
      &P::Modbus_TCP_Slave_2_SM4},
     {&P::Modbus_TCP_Slave_2_GAT1, &P::Modbus_TCP_Slave_2_GAT2, &P::Modbus_TCP_Slave_2_GAT3,
      &P::Modbus_TCP_Slave_2_GAT4},
     &P::Modbus_TCP_Slave_2_EN_GAT,
     &P::Modbus_TCP_Slave_2_Port},
}};

const QString Version_Comment = QStringLiteral("SW_VERSION = ") + Own_Version;

} // namespace

bool ParGen_Params::operator==(const ParGen_Params &other) const {
    for (const ParGen_Key &key : Keys) {
        if (key.Text ? this->*key.Text != other.*key.Text : this->*key.Switch != other.*key.Switch)
            return false;
    }
    return true;
}

const std::array<ParGen_Endpoint, 2> &ParGen_Endpoints() {
    return Endpoints;
}

const std::array<ParGen_Key, 30> &ParGen_Keys() {
    return Keys;
}

std::size_t ParGen_Key_Index(QString ParGen_Params::*field) {
    const auto found = std::find_if(Keys.begin(), Keys.end(),
                                    [field](const ParGen_Key &key) { return key.Text == field; });
    Q_ASSERT(found != Keys.end());
    return std::size_t(found - Keys.begin());
}

const ParGen_Key *Find_ParGen_Key(const QString &name) {
    const auto found = std::find_if(Keys.begin(), Keys.end(), [&name](const ParGen_Key &key) {
        return name == QLatin1String(key.Key);
    });
    return found == Keys.end() ? nullptr : &*found;
}

QString ParGen_Value(const ParGen_Params &params, const ParGen_Key &key) {
    if (key.Text)
        return params.*key.Text;
    return params.*key.Switch ? QStringLiteral("1") : QStringLiteral("0");
}

bool Set_ParGen_Value(ParGen_Params &params, const ParGen_Key &key, const QString &value) {
    if (key.Text) {
        params.*key.Text = value;
        return true;
    }
    if (value != QLatin1String("1") && value != QLatin1String("0"))
        return false;
    params.*key.Switch = value == QLatin1String("1");
    return true;
}

ParGen_Params Default_ParGen() {
    ParGen_Params params;
    for (const ParGen_Key &key : Keys) {
        if (key.Text)
            params.*key.Text = QLatin1String(key.Default);
    }
    return params;
}

ParGen_Params Apply_Changes(ParGen_Params current, const ParGen_Params &shown,
                            const ParGen_Params &edited) {
    for (const ParGen_Key &key : Keys) {
        if (ParGen_Value(edited, key) != ParGen_Value(shown, key))
            Set_ParGen_Value(current, key, ParGen_Value(edited, key));
    }
    return current;
}

ParGen_Params Load_ParGen(const QString &path) {
    ParGen_Params params = Default_ParGen();
    if (!QFileInfo::exists(path))
        return params;
    const QDomElement root = First_Top_Element(Read_Xml_File(path));
    for (const ParGen_Key &key : Keys) {
        const auto text = Child_Text(root, QLatin1String(key.Key));
        if (key.Switch)
            params.*key.Switch = text == QLatin1String("1");
        else if (text)
            params.*key.Text = *text;
    }
    return params;
}

void Save_ParGen(const ParGen_Params &params, const QString &path) {
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Par_Gen"));
    doc.appendChild(root);
    doc.appendChild(doc.createComment(Version_Comment));
    for (const ParGen_Key &key : Keys)
        Append_Text_Element(doc, root, QLatin1String(key.Key), ParGen_Value(params, key));
    Write_Xml_File(doc, path);
}
