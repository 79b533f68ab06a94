// Block reads of the generated scanners (rule language, planning, diagnosis, SQL).
//
// A generated scanner matches a token again from its first byte after every refill of its
// buffer, so a token much longer than one block (a name, quoted string, comment, number or run
// of blanks of megabytes) would cost its length times the number of blocks it spans. Reads stay
// at 8192 bytes while the buffer is small, and once a token has made the buffer grow they fill
// up to half of it: the buffer doubles, the next read fills the half the token left free, and
// a token is matched again only once per doubling, so scanning stays linear in the input.
//
// Included in the prologue of each .l file, before the generated definitions it replaces.
#pragma once

#define YY_READ_BUF_SIZE                                                                               \
    (YY_CURRENT_BUFFER_LVALUE->yy_buf_size > YY_BUF_SIZE ? int(YY_CURRENT_BUFFER_LVALUE->yy_buf_size / 2) : 8192)
