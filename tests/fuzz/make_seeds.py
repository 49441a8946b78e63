#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora: a few small, valid inputs each, always the same bytes.

Run from anywhere: python3 tests/fuzz/make_seeds.py
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
KEY = "58304172"
# fuzz_service_request answers as the server at this time (its ServerNow()).
SERVER_DAY, SERVER_CLOCK = "2026-03-14", "00:00:40"


def encode_wire(data: bytes, key: str = KEY) -> bytes:
    """Four upper-case hex digits per character (one byte, or a lead byte >= 0x80 and the next)."""
    out, i, k = [], 0, 0
    while i < len(data):
        x = int(key[k]) + 1
        if data[i] >= 0x80 and i + 1 < len(data):
            v = (data[i] << 8 | data[i + 1]) ^ x
            i += 2
        else:
            v = data[i] ^ x
            i += 1
        out.append(f"{v:04X}")
        k = (k + 1) % len(key)
    return "".join(out).encode("ascii")


def gbk(text: str) -> bytes:
    """Code page 936, where the euro sign is the single byte 0x80 (Python's gbk codec lacks it)."""
    return b"\x80".join(part.encode("gbk") for part in text.split("€"))


# The statements the client sends, as it writes them.
STATEMENTS = [
    "select count(*) from latest1",
    "select count(*) from config2",
    "select 句柄 from account where 账号='demo'",
    "select * from account where 账号='demo'",
    "select top 1 * from Latest1 order by 推荐时间 desc",
    "select 账号,密码,在线,状态,登陆IP from account where 账号='demo'",
    "update account set 在线=1,登陆时间='2026年3月14日',登陆IP='127.0.0.1',句柄='12345' where 账号='demo'",
    "update account set 在线=0 where 账号='demo'",
    "insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values "
    "('new''one','A1B2','138','12345','0','2026年3月14日0时0分40秒','0')",
]

# What a hostile sender tries and the service refuses: other reads of account, repeated
# columns, values the client would read back otherwise, forms the client never writes.
REFUSED = [
    "select * from account",
    "select 账号,密码 from account where 在线=1",
    "select count(*) from account",
    "select top 1 * from account order by 编号 desc",
    "select 句柄 from account where 密码='A1B2'",
    "select 股票代码,股票代码,股票代码 from Latest1",
    "update account set 登陆IP='1.2.3.4€' where 账号='demo'",
    "update account set 句柄='12a45',在线=2 where 账号='demo'",
    "update account set 登陆时间='2026-03-14 00:00:40' where 账号='demo'",
    "insert into account (`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`) values "
    "('x','','138','12345','0','2026年3月14日','0')",
]


def write(target: str, name: str, data: bytes) -> None:
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main() -> None:
    for n, sql in enumerate(STATEMENTS):
        write("fuzz_statement", f"statement-{n}", sql.encode("utf-8"))
        write("fuzz_service_request", f"statement-{n}", gbk(sql))
    for n, sql in enumerate(REFUSED):
        write("fuzz_statement", f"refused-{n}", sql.encode("utf-8"))
        write("fuzz_service_request", f"refused-{n}", gbk(sql))
    # Whole form bodies: a statement stamped with the server's time, and a handshake.
    stamped = gbk(SERVER_CLOCK + "{[good-lark]}" + STATEMENTS[2])
    write("fuzz_service_request", "body-query", b"p=" + encode_wire(b"2") + b"&post=" + encode_wire(stamped))
    write("fuzz_service_request", "body-handshake", b"p=" + encode_wire(b"3") + b"&f=" + encode_wire(b"MID-0001"))

    answers = {
        "answer-count": f"{SERVER_DAY} {SERVER_CLOCK}{{[good-wren]}}count(*)々☆3々☆",
        "answer-rows": f"{SERVER_DAY} 下午 2:03:05{{[good-wren]}}句柄々☆42々☆",
        "answer-handshake": f"{SERVER_DAY} {SERVER_CLOCK}{{[good-wren]}}127.0.0.1",
    }
    for name, text in answers.items():
        write("fuzz_client_answer", name, encode_wire(gbk(text)))
    write("fuzz_client_answer", "clock-text", gbk("2026年3月14日 8时5分"))
    write("fuzz_client_answer", "rows-plain", gbk("a々b々☆c々d々☆"))


if __name__ == "__main__":
    main()
