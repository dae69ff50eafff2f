// The Atrium hand-off: job folder, JobSpec.xml, ready marker.
#include "CorvoAtriumHelper.h"

#include "companion/Utilities/ByteBuffer.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/CPExceptionOSApiError.h"
#include "companion/Utilities/DebugUtilities.h"
#include "companion/Utilities/Printer.h"
#include "companion/Utilities/SimpleFile.h"
#include "companion/Utilities/SystemErrorText.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "companion/Utilities/XFolder.h"
#include "companion/Utilities/XmlOutputBufferCallback.h"

namespace {
constexpr const char* kJobSpecificationTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<QCPTJob>\r\n</QCPTJob>";
constexpr const char* kReadyMarkerTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<QCPTJobReady>\r\n</QCPTJobReady>";

// The common application data folder with a trailing backslash; none when the platform cannot
// name it, and then a hand-off fails rather than writing below an undefined path.
std::optional<CXString> CommonApplicationDataFolder() {
    PWSTR path = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &path)) || path == nullptr) {
        CoTaskMemFree(path);
        return std::nullopt;
    }
    CXString folder;
    folder.Format(WIDE("%s\\"), static_cast<const WCHAR*>(path));
    CoTaskMemFree(path);
    return folder;
}

bool PrinterAsksForAtrium(const CXString& queueName) {
    Printer printer;
    printer.TryToCreateHandle(queueName);
    DWORD value = 0;
    return printer.GetPrinterDataDword(Printer::GetPrinterDriverDataKeyName(),
                                       CXString(CorvoAtriumHelper::kPrinterDataValueName), value) &&
           value == 1;
}

// XML 1.0 takes only some characters. Any other in a name (a control character such as ESC, U+FFFE,
// a lone surrogate, or U+0000, which would cut the text short) becomes U+FFFD, so that every
// document the consumer reads is well-formed.
CXString XmlSafe(const CXString& text) {
    std::basic_string<WCHAR> safe = text.str();
    for (std::size_t i = 0; i < safe.size(); ++i) {
        const WCHAR c = safe[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < safe.size() && safe[i + 1] >= 0xDC00 &&
            safe[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed) {
            safe[i] = 0xFFFD;
        }
    }
    return CXString(std::move(safe));
}

[[noreturn]] void FailToWrite(const WCHAR* fileName, DWORD error) {
    const std::string name = XFolder::DisplayPath(CXString(fileName));
    throw CPComException("The Atrium job file " + name +
                             " cannot be written: the job folder keeps its lock, so no consumer "
                             "takes it.",
                         error, CV_DEBUG_CONTEXT(kLibraryCategoryMask),
                         error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

// Without its content file the job would fail at its first byte with no word of where: the folder
// is named while nothing of the job is delivered yet.
[[noreturn]] void FailToCreateJobFolder(const CXString& folder, DWORD error) {
    throw CPComException("The Atrium job folder " + XFolder::DisplayPath(folder) +
                             " cannot be created or written (" + SystemErrorText::Of(error) +
                             "): nothing of the job was delivered.",
                         error, CV_DEBUG_CONTEXT(kLibraryCategoryMask),
                         error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

// The printer hands its jobs to a consumer; printing one directly instead would pass by whatever
// the consumer does with it (holding it, accounting, securing it), with no word to anyone.
[[noreturn]] void FailWithoutDataFolder() {
    throw CPComException(
        "The printer hands its jobs to an Atrium folder, but the common application data folder "
        "that holds it is unknown: nothing of the job was delivered.",
        ERROR_PATH_NOT_FOUND, CV_DEBUG_CONTEXT(kLibraryCategoryMask),
        HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

CXString NewJobFolderName() {
    UUID id{};
    const RPC_STATUS result = UuidCreateSequential(&id);
    if (result != RPC_S_OK && result != RPC_S_UUID_LOCAL_ONLY) {
        throw CPExceptionOSApiError("UuidCreateSequential failed", static_cast<DWORD>(result),
                                    CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
    CXString name;
    name.Format(WIDE("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"), id.Data1, id.Data2,
                id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4],
                id.Data4[5], id.Data4[6], id.Data4[7]);
    return name;
}
}  // namespace

CorvoAtriumHelper::CorvoAtriumHelper(const CXString& spoolerDocumentName, const CXString& owner,
                                     const CXString& domainName, const CXString& queueName,
                                     const CXString& documentFormat, DWORD pages,
                                     ComReference<IPrintWriteStream> pipelineStream)
    : queueName(queueName),
      spoolerDocumentName(spoolerDocumentName),
      owner(owner),
      domainName(domainName),
      pipelineStream(std::move(pipelineStream)),
      documentFormat(documentFormat),
      pages(pages) {
    if (!PrinterAsksForAtrium(queueName)) {
        return;
    }
    if (!CommonApplicationDataFolder()) {
        FailWithoutDataFolder();
    }
    StartJobFolder();
}

CorvoAtriumHelper::~CorvoAtriumHelper() = default;

// Creates the job folder under the jobs root with its empty lock file and the open content file.
void CorvoAtriumHelper::StartJobFolder() {
    jobFolder.Format(WIDE("%s%s\\"), JobsRoot(), NewJobFolderName());
    XFolder::CreateFolderAndItsAncestors(jobFolder);
    XFile lock(jobFolder + kLockFileName);
    lock.CreateOrOpenFile(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    lock.CloseFile();
    jobContentFile = std::make_unique<XFile>(jobFolder + kContentFileName);
    if (!jobContentFile->CreateOrOpenFile(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL)) {
        FailToCreateJobFolder(jobFolder, GetLastError());
    }
    useAtrium = true;
}

CXString CorvoAtriumHelper::JobsRoot() {
    const std::optional<CXString> dataFolder = CommonApplicationDataFolder();
    if (!dataFolder) {
        return CXString();
    }
    CXString root = ReadRootFolderSetting();
    if (root.IsEmpty()) {
        root.Format(WIDE("%s%s\\"), *dataFolder, kDefaultJobsRoot);
    }
    XFolder::MakeSurePathEndsWithBackslash(root);
    return root;
}

CXString CorvoAtriumHelper::ReadRootFolderSetting() {
    CXString root;
    const std::optional<CXString> dataFolder = CommonApplicationDataFolder();
    if (!dataFolder) {
        return root;
    }
    CXString path;
    path.Format(WIDE("%s%s"), *dataFolder, kSettingsFile);
    if (!SimpleFile::DoesFileExist2(path)) {
        return root;
    }
    try {
        ByteBuffer settings;
        SimpleFile(path, 0).ReadTheFile(settings, 0);
        const auto parser =
            UtilitiesLibraryHost::CreateMicrosoftXmlParser("of the Atrium settings", false);
        parser->LoadFromBytes(settings.getLpbyte(), settings.getDword());
        const auto document = parser->GetDocumentElement();
        const auto node =
            document ? document->FindNamedChildElementNodeRecursive(CXString(WIDE("RootFolder")), 0)
                     : nullptr;
        if (node) {
            root = node->GetTextValue();
        }
    } catch (const CPException& failure) {
        // An unreadable settings file means the default root, as a missing one does; the
        // administrator who wrote it learns why it is not used.
        DebugUtilities::reportErrorForLowLevelUtilities(
            "Atrium: the settings file %s; the default jobs root is used.",
            (XFolder::DisplayPath(path) + " cannot be read (" + failure.getMessage() + ")")
                .c_str());
    }
    // A relative root would depend on the spooler's current folder, and ".." could lead anywhere.
    if (!root.IsEmpty() && !XFolder::IsAbsolutePathWithoutParentSteps(root)) {
        DebugUtilities::reportErrorForLowLevelUtilities(
            "Atrium: RootFolder \"%s\" is not an absolute path without \"..\"; the default jobs "
            "root is used.",
            CPString(root).str().c_str());
        root = CXString();
    }
    return root;
}

// The lock goes last and only when both documents are in place: a folder whose JobSpec.xml or
// QCPT.ready could not be written whole keeps its lock, so a consumer never takes it.
void CorvoAtriumHelper::FinishJob(bool succeeded) {
    if (!useAtrium) {
        return;
    }
    status = CXString(succeeded ? kStatusSuccess : kStatusFailed);
    jobContentFile->CloseFile();
    WriteJobSpecification();
    WriteJobReadyMarker();
    DeleteFileW((jobFolder + kLockFileName).GetString());
}

void CorvoAtriumHelper::WriteJobSpecification() {
    if (!useAtrium) {
        return;
    }
    documentName = CXString(WIDE("JobContent.ps"));
    documentDisplayName = spoolerDocumentName;
    contentType = CXString(WIDE("0"));
    size = jobContentFile->GetSizeOfFile();
    SYSTEMTIME now{};
    GetSystemTime(&now);
    submittedDateTime = FormatSubmittedDateTime(now);
    CXString pagesText, sizeText;
    pagesText.Format(WIDE("%u"), pages);
    sizeText.Format(WIDE("%u"), size);
    WriteXmlDocument(kJobSpecificationFileName, kJobSpecificationTemplate,
                     {{WIDE("QueueName"), queueName},
                      {WIDE("DocumentName"), documentName},
                      {WIDE("DocumentFormat"), documentFormat},
                      {WIDE("DocumentDisplayName"), documentDisplayName},
                      {WIDE("ContentType"), contentType},
                      {WIDE("Owner"), owner},
                      {WIDE("DomainName"), domainName},
                      {WIDE("Pages"), pagesText},
                      {WIDE("Size"), sizeText},
                      {WIDE("SubmittedDateTime"), submittedDateTime}});
}

void CorvoAtriumHelper::WriteJobReadyMarker() {
    if (!useAtrium) {
        return;
    }
    WriteXmlDocument(kReadyMarkerFileName, kReadyMarkerTemplate, {{WIDE("Status"), status}});
}

void CorvoAtriumHelper::WriteXmlDocument(
    const WCHAR* fileName, const char* templateText,
    const std::vector<std::pair<const WCHAR*, CXString>>& children) const {
    ByteBuffer buffer;
    try {
        const auto parser =
            UtilitiesLibraryHost::CreateMicrosoftXmlParser("of an Atrium job document", false);
        parser->LoadFromUtf8Text(CPString(templateText));
        const auto root = parser->GetDocumentElement();
        for (const auto& [name, value] : children) {
            const auto element = parser->CreateElement(CXString(name));
            const auto text = parser->CreateTextNode(XmlSafe(value));
            element->AppendChild(*text);
            root->AppendChild(*element);
        }
        XmlOutputBufferCallback callback(buffer, XmlOutputCallback::NoLegibilityEnhancement);
        parser->SaveToCallback(callback);
    } catch (const CPException& failure) {
        FailToWrite(fileName, failure.getLastErrorCode());
    }
    PlaceFile(fileName, buffer);
}

// Writes the file under a temporary name, checks that all of it is there, and renames it into
// place, so the consumer finds either the whole document or none.
void CorvoAtriumHelper::PlaceFile(const WCHAR* fileName, const ByteBuffer& bytes) const {
    const CXString target = jobFolder + fileName;
    const CXString temporary = target + WIDE(".tmp");
    try {
        SimpleFile(temporary, 0).WriteTheFile(bytes, 1);
    } catch (const CPException& failure) {
        DeleteFileW(temporary.GetString());
        FailToWrite(fileName, failure.getLastErrorCode());
    }
    if (XFile(temporary).GetSizeOfFile() != bytes.getDword() ||
        MoveFileExW(temporary.GetString(), target.GetString(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.GetString());
        FailToWrite(fileName, error);
    }
}

CXString CorvoAtriumHelper::FormatSubmittedDateTime(const SYSTEMTIME& time) {
    const DWORD dateFlags = LOCALE_USE_CP_ACP;
    const DWORD timeFlags = LOCALE_USE_CP_ACP | TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT;
    const int dateLength = GetDateFormatEx(LOCALE_NAME_INVARIANT, dateFlags, &time,
                                           WIDE("yyyy-MM-dd"), nullptr, 0, nullptr);
    if (dateLength == 0) {
        return CXString();
    }
    std::basic_string<WCHAR> date(static_cast<std::size_t>(dateLength), 0);
    if (GetDateFormatEx(LOCALE_NAME_INVARIANT, dateFlags, &time, WIDE("yyyy-MM-dd"), date.data(),
                        dateLength, nullptr) == 0) {
        return CXString();
    }
    const int timeLength =
        GetTimeFormatEx(LOCALE_NAME_INVARIANT, timeFlags, &time, WIDE("hh:mm:ss"), nullptr, 0);
    if (timeLength == 0) {
        return CXString();
    }
    std::basic_string<WCHAR> clock(static_cast<std::size_t>(timeLength), 0);
    if (GetTimeFormatEx(LOCALE_NAME_INVARIANT, timeFlags, &time, WIDE("hh:mm:ss"), clock.data(),
                        timeLength) == 0) {
        return CXString();
    }
    CXString result;
    result.Format(WIDE("%sT%s.000Z"), date.c_str(), clock.c_str());
    return result;
}
