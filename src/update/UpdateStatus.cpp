#include "UpdateStatus.h"

#include "language/LangStrings.h"
#include "update/JobFile.h"

#include <QJsonObject>

namespace {

Update_Status Status(Update_State state, int headline, const QString &detail) {
    return {state, Lang_Strings.at(headline), detail};
}

} // namespace

Update_Status Running_Status(const QString &detail) {
    return Status(Update_State::Running, 680, detail);
}

Update_Status Updater_Running_Status() {
    return Running_Status(Lang_Strings.at(681).arg(Updater_File_Name));
}

int Answering_Endpoints(const QJsonArray &device_check) {
    int answering = 0;
    for (const QJsonValue &endpoint : device_check)
        answering += endpoint.toObject().value(QLatin1String("state")).toString() ==
                     QLatin1String("answers");
    return answering;
}

QString Check_Headline(const QJsonArray &device_check) {
    const int answering = Answering_Endpoints(device_check);
    return answering == device_check.size()
               ? Lang_Strings.at(778)
               : Lang_Strings.at(779).arg(answering).arg(device_check.size());
}

Update_Status Ended_Status(const Update_Entry &entry, const Update_Outcome &run) {
    const QString &outcome = entry.Outcome;
    if (outcome == Update_Result::Device_Silent)
        return Status(Update_State::Device_Silent, 636,
                      Lang_Strings.at(636) + QLatin1Char(' ') + entry.Address);
    if (outcome == Update_Result::Refused)
        return Status(Update_State::Failed, 689, entry.Reason);
    if (outcome == Update_Result::Lock_Busy)
        return Status(Update_State::Wait_Ran_Out, 684, entry.Reason);
    if (outcome == Update_Result::Cancelled)
        return Status(Update_State::Cancelled, 686, entry.Reason);
    if (outcome == Update_Result::Wait_Ran_Out)
        return Status(Update_State::Wait_Ran_Out, 684, Update_End_Text(run));
    if (outcome != Update_Result::Updater_Ended)
        return Status(Update_State::Failed, 683, entry.Reason);
    const QString ended = Update_End_Text(run);
    if (entry.Exit_Code != 0)
        return Status(Update_State::Failed, 683, ended);
    if (entry.Check_Cancelled)
        return Status(Update_State::Cancelled, 686,
                      ended + QLatin1Char('\n') + Lang_Strings.at(687));
    if (!entry.Reason.isEmpty()) // the check could not run
        return Status(Update_State::Check_Failed, 685, ended + QLatin1Char('\n') + entry.Reason);
    if (entry.Device_Check.isEmpty())
        return Status(Update_State::Succeeded, 682, ended);
    const bool all = Answering_Endpoints(entry.Device_Check) == entry.Device_Check.size();
    return Status(all ? Update_State::Succeeded : Update_State::Check_Failed, all ? 682 : 685,
                  ended + QLatin1Char('\n') + Check_Headline(entry.Device_Check));
}
