// Building the insertion list.
#include "PDLInsertionListBuilder.h"

#include <string>

#include "PjlVocabulary.h"

void PDLInsertionListBuilder::Build(const JobSettings& settings, PDLInsertionDataList& list) {
    if (settings.fullQpifSupported && !settings.requiresBothPjlAndQcpt) {
        return;
    }
    if (!settings.pjlToInsert.IsEmpty()) {
        list.emplace_back(settings.requiresBothPjlAndQcpt ? AtStreamStart : BeforePjlEnterLanguage,
                          settings.pjlToInsert);
    }
    if (!settings.jobLevelPsComments.IsEmpty()) {
        list.emplace_back(BeforeTitle, settings.jobLevelPsComments);
    }
    if (!settings.jobLevelPs.IsEmpty()) {
        list.emplace_back(BeforeEndSetup, settings.jobLevelPs);
    }
    if (!settings.pclmCustomTicket.IsEmpty()) {
        list.emplace_back(BeforePclmHeader, settings.pclmCustomTicket);
    }
    if (settings.greenSeparatorFixUp) {
        list.emplace_back(AtStreamStart, Pjl::Wide(Pjl::kEojItem));
    }
    if (settings.requiresBothPjlAndQcpt && !settings.qcptTicket.IsEmpty()) {
        list.emplace_back(AtStreamStart, settings.qcptTicket);
    }
}
