#include "configedit.h"

#include "configtext.h"
#include "editpasses.h"
#include "textfuncs.h"

void EditConfigFile(const char* path, const EditTexts& texts, AtomicFileWriter& writer,
                    const std::function<std::string(const std::string&)>& passes, EditEnd end) {
    std::string text;
    if (!ReadConfigText(path, &text)) {
        PrntErr(1, texts.step, texts.readFailure(path).c_str());
    }
    SectionFault fault;
    if (FindSectionFault(text, &fault)) {
        PrntErr(1, texts.step, SectionFaultMessage(path, fault).c_str());
    }

    if (!writer.Open(path, texts.tempTemplate)) {
        std::string temp = DirectoryPart(writer.TargetPath()) + "/" + texts.tempTemplate;
        PrntErr(1, texts.step, FormatText("Can't open tmpolary file\"%s\"", temp.c_str()).c_str());
    }

    text = passes(text);

    const bool written =
        writer.Write(text) && (end == EditEnd::kCommit ? writer.Commit() : writer.Prepare());
    if (!written) {
        std::string reason = writer.Error();
        writer.Abort();
        PrntErr(1, texts.writeStep,
                FormatText("Can't write \"%s\" (%s)", path, reason.c_str()).c_str());
    }
}
