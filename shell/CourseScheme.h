#pragma once
// The viewer's own URI scheme on a browser engine context: every course
// address is answered by AnswerCourseRequest, so the engine reads nothing the
// viewer did not decide to give it.

#include <memory>

#include "CourseRequest.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace courseview {

// Answers course addresses on `context` from what `site` holds at the time of
// each request; the context keeps `site` alive as long as it needs it.
void ServeCourseScheme(WebKitWebContext* context, std::shared_ptr<const CourseSite> site);

}  // namespace courseview
