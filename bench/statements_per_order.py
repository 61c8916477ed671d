#!/usr/bin/env python3
# Statements per closed order from the traces of count_statements.so (the measuring tools'
# LD_PRELOAD library): counts from the first scan of each trace on, and prints per order the
# statements, VM steps, COMMITs and writes outside a transaction (each one a commit of its own
# that reaches the disk), then the most frequent statements (TOP=N, 60 by default) with their
# runs and steps per order.
#
# Usage: bench/statements_per_order.py trace.PID... ORDERS
import collections
import os
import sys
files = sys.argv[1:-1]; orders = int(sys.argv[-1])
n=0; steps=0; commits=0; autocommits=0; by=collections.Counter(); bysteps=collections.Counter()
for f in files:
    started=False; open_tx=set(); seen={}; key=None
    for l in open(f, errors='replace'):
        p=l.rstrip('\n').split('\t')
        if p[0]=='S':
            key=(p[1],p[2])
            if not started and 'SELECT DISTINCT CA.CDCAIXA' in p[2]: started=True
            if not started: continue
            n+=1; t=' '.join(p[2].split())[:140]; by[t]+=1; last=t
            word=t.split(' ')[0].upper() if t else ''
            if word=='BEGIN': open_tx.add(p[1])
            elif word in ('COMMIT','ROLLBACK','END'):
                open_tx.discard(p[1])
                if word!='ROLLBACK': commits+=1
            elif word in ('INSERT','UPDATE','DELETE') and p[1] not in open_tx: autocommits+=1
        elif p[0]=='P':
            # The library reports a prepared statement's steps since it was prepared, and the
            # connections keep their statements prepared: a run's work is the growth since the
            # statement's last report (or the whole figure when it was prepared anew).
            total=int(p[1]); prev=seen.get(key, 0)
            if started:
                run=total-prev if total>=prev else total
                steps+=run; bysteps[last]+=run
            seen[key]=total
print("statements %d per order %.1f steps/order %.0f commits/order %.2f autocommit writes/order %.2f"
      %(n,n/orders,steps/orders,commits/orders,autocommits/orders))
for t,c in by.most_common(int(os.environ.get('TOP','60'))):
    print("%7.2f %9.0f  %s"%(c/orders, bysteps[t]/orders, t))
