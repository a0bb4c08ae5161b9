#include "CourseScheme.h"

#include <fcntl.h>
#include <gio/gunixinputstream.h>
#include <sys/stat.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <cstring>

#include "CourseAddress.h"

namespace courseview {

namespace {

using SiteHolder = std::shared_ptr<const CourseSite>;

// A document to show in a frame is asked for as HTML first; a page's own
// resources and fetches ask for something else.
bool IsDocumentRequest(WebKitURISchemeRequest* request) {
    SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
    const char* accept =
        headers != nullptr ? soup_message_headers_get_one(headers, "Accept") : nullptr;
    return accept != nullptr && std::strncmp(accept, "text/html", 9) == 0;
}

void FinishNotFound(WebKitURISchemeRequest* request) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

void FinishWithFile(WebKitURISchemeRequest* request, const CourseAnswer& answer) {
    // Not blocking on a FIFO put in a file's place since the answer was made.
    const int descriptor = ::open(answer.file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (descriptor >= 0) ::close(descriptor);
        FinishNotFound(request);
        return;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    GInputStream* stream = g_unix_input_stream_new(descriptor, TRUE);
    webkit_uri_scheme_request_finish(request, stream, status.st_size, answer.contentType.c_str());
    g_object_unref(stream);
}

void FinishWithPage(WebKitURISchemeRequest* request, const CourseAnswer& answer) {
    GBytes* bytes = g_bytes_new(answer.page.data(), answer.page.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(answer.page.size()),
                                     answer.contentType.c_str());
    g_object_unref(stream);
    g_bytes_unref(bytes);
}

void AnswerRequest(WebKitURISchemeRequest* request, gpointer data) {
    const CourseSite& site = **static_cast<SiteHolder*>(data);
    const CourseAnswer answer =
        AnswerCourseRequest(site, webkit_uri_scheme_request_get_uri(request),
                            IsDocumentRequest(request), SystemCodePage());
    switch (answer.kind) {
        case CourseAnswer::Kind::NotFound:
            FinishNotFound(request);
            return;
        case CourseAnswer::Kind::File:
            FinishWithFile(request, answer);
            return;
        case CourseAnswer::Kind::Page:
            FinishWithPage(request, answer);
            return;
    }
}

}  // namespace

void ServeCourseScheme(WebKitWebContext* context, std::shared_ptr<const CourseSite> site) {
    const std::string scheme(CourseScheme);
    webkit_web_context_register_uri_scheme(
        context, scheme.c_str(), AnswerRequest, new SiteHolder(std::move(site)),
        [](gpointer data) { delete static_cast<SiteHolder*>(data); });
    // A web page reached through a course link cannot load course files.
    webkit_security_manager_register_uri_scheme_as_display_isolated(
        webkit_web_context_get_security_manager(context), scheme.c_str());
}

}  // namespace courseview
